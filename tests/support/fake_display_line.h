#pragma once
// A display in the test's own process, behind the platform seam. The component opens it like a
// device (through its port opener), and its comm thread, message thread and writer run as they
// do on a cable; only the device is replaced: what the writer hands over goes to a far end
// object, and its answers become the input the comm thread waits for. No pseudo-terminal, no
// second process, no line speed: a test of the loop or of the transfers is as fast as the code.
//
//   SimulatorFarEnd display(simulator);   // or any FarEnd
//   FakeDisplayLine line(display);
//   line.attach(comm);                     // the component now finds the display as COM3
//
// Answers are timed from the write they answer (a far end may ask for a pause before each), in
// order. A far end may also drop the line, as a pulled cable does: the port then reports the line
// lost, and the next opening starts a new line to the same far end.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "serial/serial_platform.h"

class TnrCustomSerialComm;

// What sits at the far end of the line: given the bytes the PC wrote, it says what to answer.
class FarEnd {
public:
    struct Reply {
        std::chrono::milliseconds pauseBefore{0};  // after the write, or after the reply before it
        std::vector<uint8_t> bytes;
        bool dropLine = false;  // the line is lost at this point (after the pause)
    };
    virtual ~FarEnd() = default;
    // Each write of the PC, whole and in order, on the thread that writes.
    virtual std::vector<Reply> take(std::span<const uint8_t> bytes) = 0;
    // A new line to this far end was opened after the old one was lost.
    virtual void newLine() {}
};

class FakeDisplayLine {
public:
    // The device path the line answers to, in the component's port map as COM3.
    static constexpr const char* kPath = "fake-display";

    explicit FakeDisplayLine(FarEnd& farEnd);
    ~FakeDisplayLine();
    FakeDisplayLine(const FakeDisplayLine&) = delete;
    FakeDisplayLine& operator=(const FakeDisplayLine&) = delete;

    // Gives the component a port map with this line as COM3 and its opener, and selects COM3.
    void attach(TnrCustomSerialComm& comm);
    // What the opener does: a new port on this line for kPath; any other path is not there.
    nrplatform::PortPtr open(const std::string& path, int& error);

    // The cable pulled: the open port reports the line lost from now on.
    void hangUp();

    std::vector<uint8_t> receivedBytes() const;  // every byte the PC wrote, in order, across lines
    std::vector<uint8_t> sentBytes() const;      // every byte the display answered, once on the line
    bool waitForSent(std::size_t n, std::chrono::milliseconds timeout) const;
    int openings() const;
    int linesDropped() const;

    struct Shared;  // the state the ports of one line share

private:
    std::shared_ptr<Shared> shared_;  // the ports keep it as long as the component holds them
};
