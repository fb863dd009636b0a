#pragma once
// The protocol loop over the real serial component, whose device is a fake line in this process
// with the display simulator at its far end, and a recording stand-in for the window.
#include "protocol/command_catalogue.h"
#include "protocol/display_line.h"
#include "protocol/protocol_loop.h"
#include "serial/nr_comm.h"
#include "tests/protocol/recording_host.h"
#include "tests/support/scripted_steps.h"
#include "tests/support/simulator_far_end.h"

#include <gtest/gtest.h>

#include <memory>

class LoopOverFakeLine : public ::testing::Test {
protected:
    explicit LoopOverFakeLine(SimulatorOptions options = {}) : display(std::move(options)) {}

    void SetUp() override
    {
        configureDisplayLine(comm);
        line.attach(comm);
        loop = std::make_unique<ProtocolLoop>(comm, host);
        registerCommandStates(*loop);
    }

    void TearDown() override
    {
        comm.SetActive(false);
        loop.reset();
    }

    // Runs "Connect" with the given script driving it; returns when the loop has ended.
    void connectWith(ScriptedSteps& script)
    {
        script.start();
        loop->connectAndRun();
        EXPECT_TRUE(script.finished() || script.failed()) << "the loop ended before its script";
    }

    ScriptedSteps script{[this] { loop->requestExit(); }};

    bool sizesShown(size_t n = 1) const { return host.sizes.size() >= n; }
    std::vector<FrameRecord> frames() const { return display.simulator().log(); }
    size_t countFrames(const std::string& name) const
    {
        size_t n = 0;
        for (const FrameRecord& f : frames())
            n += f.name == name;
        return n;
    }

    SimulatorFarEnd display;
    FakeDisplayLine line{display};
    TnrComm comm;
    RecordingHost host;
    std::unique_ptr<ProtocolLoop> loop;
};
