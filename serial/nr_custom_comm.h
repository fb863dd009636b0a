#pragma once
// Serial-port state of the component: line-control block, time-outs, queue sizes, counters,
// the two receive threads, sending, reading, purging, modem lines and communication errors.
#include <atomic>
#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/comm_threads.h"
#include "serial/input_queue.h"
#include "serial/nr_base_io.h"

class QObject;
class TnrWriterThread;

// The status query's view of the port's error flags (overrun, parity, framing, break, queue
// overflow). The default derives them from the driver's counters; it can be replaced.
class TnrLineStatusSource {
 public:
  virtual ~TnrLineStatusSource() = default;
  // Called at every opening with the port's descriptor.
  virtual void Reset(int fd) { (void)fd; }
  // Reads and clears the error flags; false when the query fails.
  virtual bool Query(int fd, uint32_t& errorFlags) = 0;
};

class TnrCounterStatusSource : public TnrLineStatusSource {
 public:
  void Reset(int fd) override;
  bool Query(int fd, uint32_t& errorFlags) override;

 private:
  bool haveCounters_ = false;
  uint32_t frame_ = 0, overrun_ = 0, parity_ = 0, brk_ = 0, bufOverrun_ = 0;
};

class TnrCustomComm : public TnrBaseIO {
  Q_OBJECT
 public:
  explicit TnrCustomComm(QObject* owner = nullptr);
  ~TnrCustomComm() override;

  // Sending, reading, purging.
  void SendChar(char16_t ch) override;
  void SendString(const std::string& s) override;
  void SendData(const void* buff, uint32_t n) override;
  void SendAheadChar(char16_t ch);
  void Read(void* buffer, uint32_t len);
  uint32_t ReadAll(void* buffer);
  int32_t ReadMax(void* buffer, int32_t maxLen);
  std::string ReadString();
  void ClearDeviceInput() override;
  void ClearDeviceOutput() override;
  void ClearDeviceBuffers() override;
  void FlushOutputBuffer();
  uint32_t ReadyForRead();
  uint32_t NotYetSend();
  bool WaitForBytes(uint32_t Count, uint32_t Ms);
  bool WaitForSignal(TModemSignal Signal, uint32_t Ms);

  // Modem lines.
  void SetStateDTR(bool on);
  void SetStateRTS(bool on);
  void SetStateX(bool on);
  void SetStateBreak(bool on);
  TModemSignals ModemSignals() const;

  // Counters.
  uint32_t TotalReceived() const { return fTotalReceived.load(); }
  uint32_t TotalSent() const { return fTotalSent.load(); }
  std::string LastErrorString() const;

  // Line settings.
  uint32_t BaudRate() const;
  void SetBaudRate(uint32_t value);
  TParity Parity() const;
  void SetParity(TParity value);
  TStopBits StopBits() const;
  void SetStopBits(TStopBits value);
  uint8_t ByteSize() const;
  void SetByteSize(uint8_t value);
  TStreamProtocol StreamProtocol() const;
  void SetStreamProtocol(TStreamProtocol value);
  bool RS485Mode() const;
  void SetRS485Mode(bool value);
  char EventChar() const;
  void SetEventChar(char value);
  TTraceStates TraceStates() const;
  void SetTraceStates(TTraceStates value);
  uint16_t BufferInSize() const { return fBufferInSize.load(); }
  void SetBufferInSize(uint16_t value);
  uint16_t BufferOutSize() const { return fBufferOutSize; }
  void SetBufferOutSize(uint16_t value);
  uint32_t TimeoutRead() const { return fCommTimeouts.ReadIntervalTimeout; }
  void SetTimeoutRead(uint32_t value);
  uint32_t TimeoutWrite() const { return fCommTimeouts.WriteTotalTimeoutConstant; }
  void SetTimeoutWrite(uint32_t value);
  const TDCB& Dcb() const { return CommCfg.dcb; }
  const TCOMMTIMEOUTS& CommTimeouts() const { return fCommTimeouts; }
  // The event mask the port is given for the current trace states.
  uint32_t EventMask() const;
  bool IsNotSupportRS485() const { return fIsNotSupportRS485; }
  TCOMMPROP CommProp();
  TCOMSTAT LastStat() const;

  // Indicators: any QObject with a boolean "checked" property follows the line.
  void SetMonitorCTS(QObject* c) { fMonitorCTS = c; }
  void SetMonitorDSR(QObject* c) { fMonitorDSR = c; }
  void SetMonitorRLSD(QObject* c) { fMonitorRLSD = c; }
  void SetMonitorRing(QObject* c) { fMonitorRing = c; }
  QObject* MonitorCTS() const { return fMonitorCTS; }
  QObject* MonitorDSR() const { return fMonitorDSR; }
  QObject* MonitorRLSD() const { return fMonitorRLSD; }
  QObject* MonitorRing() const { return fMonitorRing; }

  // Events.
  void SetOnAfterSend(TOnSent ev) { fOnSent = std::move(ev); }
  void SetOnTraceState(TOnTraceEvent ev) { fOnTraceState = std::move(ev); }
  void SetOnCommError(TOnCommErrorEvent ev) { fOnCommError = std::move(ev); }
  // Called on the receiving thread each time TotalReceived has grown (the bytes stay queued).
  void SetOnBytesCounted(std::function<void()> fn);
  // Replaces the source of the status query's error flags (takes effect at the next opening).
  void SetLineStatusSource(std::shared_ptr<TnrLineStatusSource> source);

  virtual std::string ComName() const { return "Unknown"; }

  // The receive handling for one message (Part of the message thread's loop).
  void HandleComEvent(const TnrThreadMessage& message);
  virtual void DoCommError(uint32_t CommCode, uint32_t SysError, TComStateFlags State);
  void DoTraceState(QObject* Sender, TTraceStates Events);
  void DoKeepConnection() override;
  // Closes the port: by the user (true) or because the connection was lost (false).
  void DoDisconnect(bool userClose);

  // The registered message numbers.
  static uint32_t CommEventMessage();
  static uint32_t QuitMessage();

 protected:
  void DoOpen() override;
  void DoClose() override;
  void StartThreads() override;
  void StopThreads() override;
  virtual void SetupDevice();
  void ApplyLineSettings();
  void ApplyEventMask();
  // Destruction: detach the terminal and the data processor, clear OnTraceState, close the
  // port and end the receive threads (each destructor of the chain calls it; the first one acts).
  void ShutDown();

  TCOMMCONFIG CommCfg;

 private:
  friend class TCommThread;
  friend class TMsgThread;

  std::shared_ptr<TnrWriterThread> Writer() const;
  uint64_t WritesCompleted() const;
  // Bytes not yet sent, without a status query.
  uint32_t NotYetSendQuiet();
  // Waits, at most `limit`, until nothing waits to be sent (the writer's queue and the driver's).
  void WaitForOutputToLeave(std::chrono::milliseconds limit);
  // How long a user close waits for handed-over bytes to leave before it purges the rest.
  static constexpr std::chrono::milliseconds kCloseDrainLimit{250};
  // Reads and clears the error flags and fills the status record; stat gets a copy of it.
  bool StatusQuery(uint32_t& errorFlags, TCOMSTAT* stat = nullptr);
  void CountReceived(const uint8_t* data, size_t n);
  void ConsumeQueued();
  // Comm thread and message thread hand-shake: the comm thread waits until its posted event has
  // been handled before it looks at the line again.
  uint64_t NoteEventPosted();
  void NoteEventHandled();
  void WaitEventHandled(uint64_t seq, const std::atomic<bool>& terminated);
  void WakeCommThreadWaits();
  void RunOnMainThread(const std::function<void()>& errand, const std::atomic<bool>& terminated);
  void SetRtsForRS485(bool on);

  std::unique_ptr<TMsgThread> MsgThread;
  std::unique_ptr<TCommThread> CommThread;
  std::unique_ptr<TCOMSTAT> Stat;
  TCOMMPROP ComProp;
  TCOMMTIMEOUTS fCommTimeouts;
  mutable std::mutex lastErrorLock_;
  std::string fLastErrorString;
  std::atomic<uint32_t> fTotalSent{0};
  std::atomic<uint32_t> fTotalReceived{0};
  TOnSent fOnSent;
  std::atomic<uint16_t> fTraceStates{0};
  uint16_t fBufferOutSize = 8192;
  std::atomic<uint16_t> fBufferInSize{8192};
  std::vector<uint8_t> glBuffer;
  std::recursive_mutex glBufferLock_;  // a close releases the buffer only when no read-out runs
  bool consuming_ = false;
  bool releaseAfterConsume_ = false;
  std::atomic<bool> fRS485Mode{false};
  std::atomic<char> evtChar_{0};
  QObject* fMonitorRLSD = nullptr;
  QObject* fMonitorRing = nullptr;
  QObject* fMonitorCTS = nullptr;
  QObject* fMonitorDSR = nullptr;
  bool fIsNotSupportRS485 = false;
  TStreamProtocol fProtocol = spHardware;
  TOnTraceEvent fOnTraceState;
  TOnCommErrorEvent fOnCommError;
  std::function<void()> fOnBytesCounted;

  TnrInputQueue inputQueue_;
  mutable std::mutex writerLock_;
  std::shared_ptr<TnrWriterThread> writer_;
  std::shared_ptr<TnrLineStatusSource> statusSource_;
  std::shared_ptr<TnrLineStatusSource> activeStatusSource_;
  std::recursive_mutex disconnectLock_;
  std::mutex handshakeLock_;
  std::condition_variable handshakeCv_;
  uint64_t eventsPosted_ = 0;
  uint64_t eventsHandled_ = 0;
  TnrMainThreadRelay relay_;
  std::mutex ingestLock_;  // reading the port into the queue versus purging it
  mutable std::mutex statusLock_;
  int commWake_ = -1;      // wakes the comm thread's wait (terminate, close)
  int lastOpenError_ = 0;

 protected:
  void SetLastOpenError(int error) { lastOpenError_ = error; }
};
