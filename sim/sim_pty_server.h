#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/display_simulator.h"
#include "sim/line_emulation.h"
#include "sim/line_records.h"
#include "sim/port_link_registration.h"
#include "sim/rfc2217_server.h"

// How the shell reaches the simulator: a pseudo-terminal, or a TCP listener that passes the bytes
// as they are or speaks RFC 2217 as a network bridge does.
enum class SimTransport { Pty, Tcp, Rfc2217 };

struct SimPtyServerOptions {
    SimulatorOptions simulator;
    bool registerLink = false;  // register the pseudo-terminal as port link COM<portNumber>
    int portNumber = 3;
    bool recordBytes = true;  // keep every byte of the line for receivedBytes() and sentBytes()

    // The emulated line: with a baud rate, a frame counts as received only once its bytes could
    // have crossed the line, and answers leave no faster than the line carries them.
    LineFormat line{};
    // Every answer waits this long after crossing the line, as a USB adapter's latency timer holds
    // short answers back.
    std::chrono::microseconds replyLatency{0};
    // Control mode: no display; every byte received is sent back through the emulated line.
    bool rawEcho = false;
    std::size_t lineRecordLimit = std::size_t{1} << 20;  // wake-up and turnaround records kept, each

    SimTransport transport = SimTransport::Pty;
    std::string listenAddress = "127.0.0.1";  // Tcp and Rfc2217: the address listened on
    int listenPort = 0;                       // 0: a free port the system picks (listenPort() tells)
    // Rfc2217: every line setting a client asks for, as a line for the log ("baud rate 230400").
    std::function<void(const std::string&)> onLinkNote;
};

// Serves a DisplaySimulator over a pseudo-terminal: the shell opens the slave side (or the
// port link that points at it) as its serial port; a thread reads the master side, feeds the
// simulator and writes its replies, honouring the failure modes. With a network transport the
// same thread listens on a TCP port instead and serves one connection at a time; a dropped line
// closes the connection, and the next connection is a new line.
//
//   SimPtyServer server(options);
//   server.start();                      // throws std::runtime_error with a message
//   open(server.slavePath().c_str(), ...);
//   server.simulator().log();
//   server.stop();
class SimPtyServer {
public:
    explicit SimPtyServer(SimPtyServerOptions options = {});
    SimPtyServer(const SimPtyServer&) = delete;
    SimPtyServer& operator=(const SimPtyServer&) = delete;
    ~SimPtyServer();

    void start();
    void stop();
    bool running() const { return thread_.joinable(); }

    // The current slave device (it changes when a dropped line is reopened); with a network
    // transport, the address to connect to ("tcp://127.0.0.1:7000", "rfc2217://...").
    std::string slavePath() const;
    // The TCP port listened on (a network transport only).
    int listenPort() const { return boundPort_.load(); }
    // What the last RFC 2217 client asked the line to be (baudRate 0: never asked).
    Rfc2217Server::LineState requestedLine() const;
    // The port link's path, empty when none is registered.
    std::string linkPath() const;

    DisplaySimulator& simulator() { return simulator_; }
    const DisplaySimulator& simulator() const { return simulator_; }

    // Every byte read from and written to the line, in order, across all lines (when recorded).
    std::vector<std::uint8_t> receivedBytes() const;
    std::vector<std::uint8_t> sentBytes() const;
    // Waits until at least n bytes were written to the line (when recorded); false on time-out.
    bool waitForSent(std::size_t n, std::chrono::milliseconds timeout) const;

    // The transport's own timing: every write's lateness against its due time, and the turnarounds.
    LineRecords lineRecords() const;
    void clearLineRecords();

    // How often the line was dropped (FailureMode::DropLine) and reopened.
    int linesDropped() const { return linesDropped_.load(); }
    // Why serving ended early (the line could not be reopened after a drop); empty otherwise.
    std::string lastError() const;

private:
    // An answer, a piece of one, or a drop of the line, with the time it is due.
    struct Scheduled {
        OutputStep step;
        std::int64_t dueNs = 0;
        std::int64_t gapNs = 0;  // a piece of a split answer also waits this long after the piece before it left
    };
    std::int64_t dueOf(const Scheduled& s) const;

    void openLine();
    void closeLine();
    bool networked() const { return options_.transport != SimTransport::Pty; }
    void listen();
    void acceptConnection();
    void endConnection();
    // Reads the connection: the display's bytes into data; false when it ended (the peer closed it).
    bool receiveFromConnection(std::span<std::uint8_t> buffer, std::int64_t& readNs, std::vector<std::uint8_t>& data);
    bool sendToConnection(const std::vector<std::uint8_t>& bytes);  // false when asked to stop meanwhile
    bool sendRaw(const std::vector<std::uint8_t>& wire);            // false when asked to stop meanwhile
    void serve();
    void take(std::span<const std::uint8_t> bytes, std::int64_t readNs);
    void schedule(const std::vector<OutputStep>& steps);
    bool performDue();  // false when serving must end
    bool dropLine();
    bool waitUntilDelivered();  // false when asked to stop meanwhile
    bool writeAll(const std::vector<std::uint8_t>& bytes);
    bool pauseFor(std::chrono::milliseconds pause);  // false when asked to stop meanwhile

    SimPtyServerOptions options_;
    DisplaySimulator simulator_;
    PortLinkRegistration link_;

    int master_ = -1;
    int keeper_ = -1;  // our own slave descriptor: holds the line up between the shell's openings, never read
    int stopFd_ = -1;
    int listener_ = -1;  // network transports: the listening socket; master_ is the connection
    std::atomic<int> boundPort_{0};
    std::unique_ptr<Rfc2217Server> rfc2217_;  // the connection's telnet state (Rfc2217 only)
    Rfc2217Server::LineState requestedLine_;  // guarded by mutex_
    std::thread thread_;
    std::atomic<int> linesDropped_{0};

    mutable std::mutex mutex_;
    mutable std::condition_variable sent_;
    std::string slavePath_;
    std::string linkPath_;
    std::string lastError_;
    std::vector<std::uint8_t> received_;
    std::vector<std::uint8_t> sentBytes_;
    LineRecords records_;

    // Serving thread only.
    std::deque<Scheduled> queue_;
    LineDirection rx_;
    LineDirection tx_;
    std::int64_t lastDueNs_ = 0;
    std::int64_t lastWrittenNs_ = 0;
    bool dropQueued_ = false;
    bool awaitingNext_ = false;  // an answer was written; the next read closes a turnaround
    TurnaroundRecord turnaround_;
};
