#pragma once
// The protocol loop over a real pseudo-terminal, with the display simulator at the far end and a
// recording stand-in for the window.
#include "protocol/command_catalogue.h"
#include "protocol/display_line.h"
#include "protocol/protocol_loop.h"
#include "serial/nr_comm.h"
#include "serial/port_map.h"
#include "sim/sim_pty_server.h"
#include "tests/protocol/recording_host.h"
#include "tests/support/scripted_steps.h"

#include <gtest/gtest.h>

#include <memory>

class LoopOverPty : public ::testing::Test {
protected:
    explicit LoopOverPty(SimPtyServerOptions options = {}) : server(std::move(options)) {}

    void SetUp() override
    {
        server.start();
        comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(
            std::vector<TnrPortMapEntry>{{server.slavePath(), "COM3"}}));
        comm.GetDeviceList(nullptr);
        configureDisplayLine(comm);
        loop = std::make_unique<ProtocolLoop>(comm, host);
        registerCommandStates(*loop);
    }

    void TearDown() override
    {
        comm.SetActive(false);
        loop.reset();
        server.stop();
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
    std::vector<FrameRecord> frames() const { return server.simulator().log(); }
    size_t countFrames(const std::string& name) const
    {
        size_t n = 0;
        for (const FrameRecord& f : frames())
            n += f.name == name;
        return n;
    }

    SimPtyServer server;
    TnrComm comm;
    RecordingHost host;
    std::unique_ptr<ProtocolLoop> loop;
};
