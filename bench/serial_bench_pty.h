#pragma once
// A pseudo-terminal pair for the serial benchmarks: the component opens the slave, the benchmark
// holds the master.
#include <memory>
#include <string>

#include "serial/nr_comm.h"

class BenchPty {
 public:
  BenchPty();
  ~BenchPty();
  int Master() const { return master_; }
  const std::string& SlavePath() const { return slave_; }
  // The far end hangs up.
  void CloseMaster();

 private:
  int master_ = -1;
  std::string slave_;
};

// The component as the shell sets it up (921600 8N2, no flow control, own receive thread),
// opened on the pair's slave, its port wrapped by filter when one is given.
std::unique_ptr<TnrComm> OpenComm(const BenchPty& pty, TnrPortFilter filter = nullptr);
