#pragma once
// The one thread that writes to the port: blocks and bytes leave in the order handed over.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TnrWriterThread {
 public:
  // Writes through its own descriptor of the port, which it closes at the end. onBlockFailed is
  // called on the writer's thread when a queued block (not a waited send) fails.
  TnrWriterThread(int fd, std::function<void(int error)> onBlockFailed);
  ~TnrWriterThread();

  // Queues a copy of a block and returns at once. timeoutMs 0: no time limit.
  void Post(const void* data, size_t n, uint32_t timeoutMs);
  // Queues bytes and waits until they have been written; returns 0 or the error code.
  int Send(const void* data, size_t n, uint32_t timeoutMs);
  // Bytes handed over and not yet written.
  size_t Pending() const;
  // Drops queued blocks and ends the write in progress; waiting senders get the error, and
  // a dropped queued block is reported when report is set.
  void Cancel(int error, bool report);
  // Waits until every queued block has been written or dropped.
  void WaitIdle();
  // Counts writes that ended (so the end of a transmission can be told).
  uint64_t Completed() const;
  int Descriptor() const { return fd_; }

 private:
  struct Job {
    std::vector<uint8_t> data;
    size_t done = 0;
    uint32_t timeoutMs = 0;
    bool waited = false;
    bool finished = false;
    bool cancelled = false;  // dropped while being written: its rest no longer counts
    int error = 0;
  };
  void Run();
  int WriteJob(Job& job, uint64_t epoch);

  int fd_;
  int wake_;
  std::function<void(int)> onBlockFailed_;
  mutable std::mutex lock_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<Job>> jobs_;
  std::shared_ptr<Job> current_;
  uint64_t cancelEpoch_ = 0;
  int cancelError_ = 0;
  uint64_t completed_ = 0;
  bool stop_ = false;
  std::thread thread_;
};
