#pragma once
#include <QObject>
#include <QString>
#include <QTimer>

#include "protocol/job_guard.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <span>

class QAbstractEventDispatcher;
class TnrComm;
class LoopHost;

// The one place where the shell talks to the display. "Connect" runs connectAndRun() on the
// window's thread until "Exit" sets the exit flag: it opens the port (retrying every 50 ms),
// greets the display, asks for the storage sizes and then performs, on every pass, the one
// step registered for the current protocol state, followed by one round of the window's events.
// Handlers of the window only store a request (state, command code, parameter, payload); the
// next pass carries it out.
class ProtocolLoop : public QObject {
    Q_OBJECT
public:
    // What a step tells the loop: it acted (sent, read, moved on), so the next pass comes at
    // once; or it only waited, for received bytes (the loop sleeps until the receive thread
    // counts more, or an event comes) or for something else, such as a file to appear (the loop
    // sleeps until an event or a 100 ms timer). Every step says which, so none can make the loop
    // spin or sleep by mistake.
    enum class StepResult { Acted, WaitForInput, WaitForTimer };
    using Step = std::function<StepResult()>;

    static constexpr int kPayloadSize = 26;  // entries 1..26 are used

    ProtocolLoop(TnrComm& comm, LoopHost& host, QObject* parent = nullptr);
    ~ProtocolLoop() override;

    // Each subsystem registers the steps of its own states. A state without a step does nothing.
    void registerStep(int32_t state, Step step);
    bool hasStep(int32_t state) const;

    // "Connect": the connect attempts, then the loop; returns once the exit flag is found set
    // (after the goodbye), or when a step raised an error (reported, no goodbye).
    void connectAndRun();
    // "Exit": sets the exit flag; the loop does the rest at its next check.
    void requestExit();
    bool exitFlag() const { return exitFlag_; }
    // A loop runs, its port is open and no "Exit" is pending: a request stored now goes out.
    bool connected() const;
    // Number of nested connectAndRun() calls in progress (a second "Connect" nests).
    int runDepth() const { return depth_; }

    // Request variables, shared by handlers and steps.
    int32_t state() const { return state_; }
    uint8_t commandCode() const { return code_; }
    uint8_t commandParameter() const { return parameter_; }
    // Payload buffer, indexed from 1 to kPayloadSize.
    uint8_t payload(int index) const;
    void setPayload(int index, uint8_t value);

    // The one way in for the window, the command line and a job's start: the state (with the
    // code and parameter) the next pass performs. While a job runs, any request is refused: panel
    // 1 says "<the job's description>: Stop ends it", nothing is stored and nothing is sent; the
    // answer is false. A request that abandons a reply still due is carried out once the rest of
    // that reply has come, or kAbandonedReplyWaitMs after the abandoned request went out, so a
    // late reply is never read as the next one's; a further request meanwhile replaces it.
    bool request(int32_t state);
    bool request(int32_t state, uint8_t code);
    bool request(int32_t state, uint8_t code, uint8_t parameter);
    // "Could this start now?": no job runs. The window enables what would start something from
    // this answer alone.
    bool mayStart() const { return !job_.running(); }
    // Begins a long job and requests its first state, under the same rules as request(). While
    // disconnected the state is stored, as any request is, and no job begins (false).
    bool startJob(JobSpec spec, int32_t firstState);
    // Stop of the job `owner` runs (a page's Stop, Esc on its page); nothing when another job
    // runs. Without an owner: whatever job runs (Ctrl+C of the command line, Exit's question).
    void stopJob(const void* owner = nullptr);
    // A job says it has ended by itself (done, failed, stopped, the line lost).
    void endJob();
    // For the steps (and a job's own stop) only: the state the next pass performs.
    void advance(int32_t s);
    static constexpr uint32_t kAbandonedReplyWaitMs = 5000;

    // Building blocks of the steps.
    // Discards pending input and notes the mark; `replyLength` bytes are due in answer (0: none).
    void beginRequest(uint32_t replyLength = 0);
    void sendByte(uint8_t b);                                              // one SendChar
    void sendBytes(std::span<const uint8_t> bytes);                        // one SendChar per byte
    void sendCommandFrame(uint8_t code, std::span<const uint8_t> params);  // A6 L code params
    uint32_t receivedSinceMark() const;                                    // unsigned 32-bit difference
    // The whole reply has come and the input queue holds it: reading it never waits.
    bool replyArrived(uint32_t length) const;
    uint32_t bytesQueued() const;        // bytes in the input queue, not yet read
    uint8_t readByte();                  // one Read of one byte that the queue holds; 0 when it holds none
    void waitMilliseconds(uint32_t ms);  // sleeps; the window does not react meanwhile
    uint32_t tick() const;               // 32-bit millisecond tick
    TnrComm& comm() { return comm_; }
    LoopHost& host() { return host_; }
    // One frame, as one write; its bytes leave in order, as one SendChar per byte would.
    void sendFrame(std::span<const uint8_t> bytes);
    // False once the line is lost (or the port closed); nothing sent then reaches the display.
    bool lineUp() const;

    // The hot path. A step that waits for a block acknowledgement may leave its check, and the
    // send of the next block, to the thread that reads the port, so that the next block does not
    // wait for the window's thread. The handler is given each chunk of bytes as it arrives and
    // answers how many it took (the rest are queued for the steps), the next frame, if any, with
    // the length of its reply, and whether it has finished. The receive path sends that frame at
    // once; one call down, one frame back.
    //
    // LOCKS of the hot path, the only rule there is for it: the handler runs on the thread that
    // read the bytes, inside the component's ingest lock, and then under the loop's arrival lock;
    // it never calls the component (its frame is sent by the receive path). The window's thread
    // takes the arrival lock only to arm and disarm the handler and to read or change what the
    // handler keeps (withArrivalsHeld), and never calls the component while it holds it. So the
    // arrival lock always comes after the ingest lock and before nothing.
    struct ArrivalAnswer {
        size_t taken = 0;                // bytes of the chunk the handler used
        std::span<const uint8_t> frame;  // sent at once; it must stay valid until the handler runs again
        uint32_t replyLength = 0;        // bytes the frame's reply has
        bool done = false;               // the handler is not called again
    };
    using ArrivalHandler = std::function<ArrivalAnswer(std::span<const uint8_t> arrived)>;
    // Runs `first` (which builds the first frame; it must not call the component) and installs the
    // handler, both under the arrival lock.
    void armArrival(const std::function<void()>& first, ArrivalHandler handler);
    // Once this returns the handler is not running, never runs again, and a frame it answered with
    // has gone to the writer.
    void disarmArrival();
    // Runs `f` while no handler runs: what a handler keeps is read and changed this way.
    template <class F>
    auto withArrivalsHeld(F&& f) const
    {
        std::lock_guard<std::mutex> guard(arrivalLock_);
        return f();
    }

    // The long job running on the loop, if any (a transfer, a backup): the window follows it.
    // The loop stops it when it ends.
    const JobGuard& job() const { return job_; }
    // A waiting step that has heard nothing from the display for this long says so in panel 1.
    static constexpr uint32_t kStallNoticeMs = 3000;
    void setStallNoticeAfter(uint32_t ms) { stallNoticeMs_ = ms; }

signals:
    // Emitted after each pass (used by the window's tests to follow progress).
    void passDone();

private:
    void registerConnectionSteps();
    bool tryOpenPort();
    void runPass();
    StepResult stepHello();
    StepResult stepSizeQuery();
    StepResult stepSizeReply();
    // On the reading thread: the armed handler, inside the receive path ...
    size_t onArrival(std::span<const uint8_t> arrived, std::span<const uint8_t>& frame);
    void onBytesCounted();  // ... then the wake-up
    void wakeFromReceiveThread();
    void showDisconnected();  // the chip hidden, panel 0 "Disconnected"
    void noteWaiting(bool waitsForDisplay);
    void showStallNotice();
    void endStallNotice();  // panel 1 gets back what the notice covered, unless a step wrote since
    bool refuse();          // a job runs: says so, true
    void noteRequest();
    bool abandonedReplyDue() const;
    void noteSent();
    static void portNotify(void* object, QObject* sender, int32_t code);
    void portOpened();  // the port opened, by the loop or by a pick of another port
    void endExchange(const QString& why);
    bool mayChainPass() const;

    TnrComm& comm_;
    LoopHost& host_;
    QAbstractEventDispatcher* dispatcher_;  // of the window's thread; wakeUp() is thread-safe
    std::map<int32_t, Step> steps_;

    int32_t state_ = 0;
    bool exitFlag_ = false;
    uint8_t code_ = 0;
    uint8_t parameter_ = 0;
    std::array<uint8_t, kPayloadSize + 1> payload_{};

    // The latest request: written by the window's thread, or by the reading thread while the hot
    // path sends its blocks (under the arrival lock); read by both, so kept atomic.
    std::atomic<uint32_t> mark_{0};
    std::atomic<uint32_t> dueLength_{0};    // bytes the latest request's reply has, 0 for none
    std::atomic<uint32_t> requestTick_{0};  // when the latest request went out
    std::atomic<bool> requestSent_{false};  // the latest request has gone out (its reply may be due)
    bool requestWaits_ = false;             // a request is stored that has not been carried out yet
    bool dueTimerArmed_ = false;
    bool opening_ = false;  // the loop itself opens the port
    uint32_t startTick_ = 0;
    int depth_ = 0;
    bool lossReported_ = false;  // the lost line has been reported for this connection
    bool lossShown_ = false;     // panel 1 shows a lost line until the next greeting
    bool attemptShown_ = false;  // panel 1 shows why the port would not open
    std::atomic<bool> wakePending_{false};
    // While the hot path answers acknowledgements, the window's thread is woken at most this
    // often for its progress.
    static constexpr int64_t kProgressWakeNs = 40'000'000;
    std::atomic<int64_t> lastProgressWakeNs_{0};  // touched by the reading thread only
    int64_t eventsProcessedNs_ = 0;               // when the window's events were last processed
    QString shownState_;
    QString shownTotal_;

    JobGuard job_;
    mutable std::mutex arrivalLock_;  // see LOCKS of the hot path above
    ArrivalHandler arrival_;          // guarded by arrivalLock_
    // The last chunk went to the armed handler, which goes on: touched by the reading thread only.
    std::atomic<bool> arrivalTaken_{false};
    // The stall notice: armed while a step waits for the display, once a second.
    QTimer stallTimer_;
    bool waiting_ = false;
    uint32_t quietSince_ = 0;
    uint32_t heardTotal_ = 0;
    bool stallShown_ = false;
    QString textBeforeStall_;
    QString noticeText_;  // what the notice last wrote
    uint32_t stallNoticeMs_ = kStallNoticeMs;
};
