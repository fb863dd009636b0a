#pragma once
#include <string>
#include <vector>

#include "sim/sim_pty_server.h"

// The options of the korvane-sim executable.
struct SimCommandLine {
    SimPtyServerOptions server;
    bool codePageGiven = false;  // --codepage was given; else the executable takes its locale's
    std::string statsFile;       // line records written here on SIGUSR1 and at the end; empty: none
    bool quiet = false;
    bool help = false;
    std::string error;  // set when the arguments are bad; the executable then exits with code 2
};

// Parses the arguments (without the program name).
SimCommandLine parseSimCommandLine(const std::vector<std::string>& args);
std::string simUsage(const std::string& program);
