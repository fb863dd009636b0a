#pragma once
// The component for the serial benchmarks, opened on a pseudo-terminal pair's slave; the benchmark
// holds the master.
#include <memory>
#include <string>

#include "serial/nr_comm.h"
#include "tests/support/pty_pair.h"

// The component as the shell sets it up (921600 8N2, no flow control, own receive thread),
// opened on the pair's slave, its port wrapped by filter when one is given.
std::unique_ptr<TnrComm> OpenComm(const PtyPair& pty, TnrPortFilter filter = nullptr);
