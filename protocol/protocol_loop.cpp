#include "protocol/protocol_loop.h"

#include "protocol/connect_failure.h"
#include "protocol/loop_host.h"
#include "protocol/protocol_states.h"
#include "protocol/size_reply.h"
#include "serial/nr_comm.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <exception>
#include <thread>

namespace {

constexpr uint8_t kHelloSequence[] = {0xA1, 0x04, 0x34, 0x45, 0x56, 0x67};
constexpr uint8_t kGoodbyeSequence[] = {0xAE, 0x00, 0x55};
constexpr uint8_t kSizeQueryCode = 0x20;
constexpr uint32_t kSizeQueryDelayMs = 500;
constexpr uint32_t kRetryDelayMs = 50;
constexpr int kTimerRecheckMs = 100;
// Passes whose steps acted follow each other without a round of the window's events for at
// most this long, so that a user's click never waits longer than this behind a run of them.
constexpr int64_t kChainLimitNs = 2'000'000;

int64_t steadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// Baud rate of each link type: "UART", "Bluetooth", "WiFi".
constexpr uint32_t kLinkBaudRates[] = {921600, 921600, 230400};

}  // namespace

ProtocolLoop::ProtocolLoop(TnrComm& comm, LoopHost& host, QObject* parent)
    : QObject(parent), comm_(comm), host_(host), dispatcher_(QAbstractEventDispatcher::instance())
{
    registerConnectionSteps();
    // The receive thread tells us whenever bytes have been counted, so a pass that waits for a
    // reply can sleep in the event loop instead of spinning.
    comm_.SetOnBytesCounted([this] { onBytesCounted(); });
    comm_.SetOnArrival(
        [this](std::span<const uint8_t> arrived, std::span<const uint8_t>& frame) { return onArrival(arrived, frame); });
    // A line lost on the receive side (a cable pulled) closes the port there; wake the loop so
    // the window can say so at once.
    comm_.SetOnClose([this](QObject*) { wakeFromReceiveThread(); });
    // A network bridge's lookup and connection take their time: the window goes on meanwhile,
    // and "Exit" ends them at once.
    comm_.SetOpenWait([this] {
        QCoreApplication::processEvents();
        return !exitFlag_;
    });
    // Its only work is to wake a waiting pass, which then updates the stall notice.
    stallTimer_.setInterval(1000);
    connect(&stallTimer_, &QTimer::timeout, this, [] {});
    // An opening of the port, by the loop or by a pick in the port picker, starts a new count.
    comm_.NotifyAdd(&ProtocolLoop::portNotify, this);
}

ProtocolLoop::~ProtocolLoop()
{
    disarmArrival();
    // The session ends with the loop: its handlers may only go once nothing can call them.
    comm_.CloseAndWait();
    comm_.NotifyDelete(&ProtocolLoop::portNotify, this);
    comm_.SetOnBytesCounted(nullptr);
    comm_.SetOnArrival(nullptr);
    comm_.SetOnClose(nullptr);
    comm_.SetOpenWait(nullptr);
}

size_t ProtocolLoop::onArrival(std::span<const uint8_t> arrived, std::span<const uint8_t>& frame)
{
    std::lock_guard<std::mutex> guard(arrivalLock_);
    if (!arrival_) {
        arrivalTaken_.store(false, std::memory_order_relaxed);
        return 0;
    }
    const ArrivalAnswer answer = arrival_(arrived);
    if (answer.done)
        arrival_ = nullptr;
    if (!answer.frame.empty()) {
        // The frame's request, as beginRequest() notes one; the chunk that answered the last one
        // is counted already, and nothing is queued while the handler takes the bytes.
        mark_ = comm_.TotalReceived();
        dueLength_ = answer.replyLength;
        requestTick_ = tick();
        requestSent_ = true;
        frame = answer.frame;
    }
    arrivalTaken_.store(!answer.done, std::memory_order_relaxed);
    return answer.taken;
}

void ProtocolLoop::onBytesCounted()
{
    if (arrivalTaken_.load(std::memory_order_relaxed)) {
        // The hot path took the bytes and goes on by itself: the window's thread only needs to
        // hear of the progress now and then, not once per block. Its end wakes it at once.
        const int64_t now = steadyNs();
        if (now - lastProgressWakeNs_.load(std::memory_order_relaxed) < kProgressWakeNs)
            return;
        lastProgressWakeNs_.store(now, std::memory_order_relaxed);
    }
    wakeFromReceiveThread();
}

void ProtocolLoop::wakeFromReceiveThread()
{
    // One wake-up per pass is enough: the dispatcher keeps it until its next wait.
    if (wakePending_.exchange(true))
        return;
    if (dispatcher_)
        dispatcher_->wakeUp();
}

void ProtocolLoop::armArrival(const std::function<void()>& first, ArrivalHandler handler)
{
    std::lock_guard<std::mutex> guard(arrivalLock_);
    first();
    arrival_ = std::move(handler);
}

void ProtocolLoop::disarmArrival()
{
    {
        std::lock_guard<std::mutex> guard(arrivalLock_);
        arrival_ = nullptr;
    }
    comm_.AwaitArrivalHandled();  // a frame answered just before has been handed over
}

void ProtocolLoop::registerStep(int32_t state, Step step) { steps_[state] = std::move(step); }

bool ProtocolLoop::hasStep(int32_t state) const { return steps_.count(state) != 0; }

void ProtocolLoop::registerConnectionSteps()
{
    registerStep(State::kHello, [this] { return stepHello(); });
    registerStep(State::kSizeQuery, [this] { return stepSizeQuery(); });
    registerStep(State::kSizeReply, [this] { return stepSizeReply(); });
}

void ProtocolLoop::advance(int32_t s) { state_ = s; }

uint8_t ProtocolLoop::payload(int index) const
{
    if (index < 1 || index > kPayloadSize)
        return 0;
    return payload_[static_cast<size_t>(index)];
}

void ProtocolLoop::setPayload(int index, uint8_t value)
{
    if (index < 1 || index > kPayloadSize)
        return;
    payload_[static_cast<size_t>(index)] = value;
}

bool ProtocolLoop::refuse()
{
    if (!job_.running())
        return false;
    host_.setStatusPanel(1, job_.description() + QStringLiteral(": Stop ends it"));
    return true;
}

void ProtocolLoop::noteRequest()
{
    // Whatever the last step waited for, the user has moved on: its notice goes.
    endStallNotice();
    waiting_ = false;
    stallTimer_.stop();
    requestWaits_ = true;
}

bool ProtocolLoop::request(int32_t state)
{
    if (refuse())
        return false;
    state_ = state;
    noteRequest();
    return true;
}

bool ProtocolLoop::request(int32_t state, uint8_t code)
{
    if (refuse())
        return false;
    code_ = code;
    return request(state);
}

bool ProtocolLoop::request(int32_t state, uint8_t code, uint8_t parameter)
{
    if (refuse())
        return false;
    code_ = code;
    parameter_ = parameter;
    return request(state);
}

bool ProtocolLoop::startJob(JobSpec spec, int32_t firstState)
{
    if (refuse())
        return false;
    // Disconnected, a request is stored and dropped by the next "Connect": no job to follow.
    if (!connected()) {
        state_ = firstState;
        return false;
    }
    job_.begin(std::move(spec));
    state_ = firstState;
    noteRequest();
    return true;
}

void ProtocolLoop::stopJob(const void* owner)
{
    if (!job_.running() || (owner && job_.owner() != owner))
        return;
    job_.stop();
}

void ProtocolLoop::endJob() { job_.end(); }

bool ProtocolLoop::abandonedReplyDue() const
{
    if (dueLength_ == 0 || !requestSent_ || !comm_.Active())
        return false;
    if (tick() - requestTick_ >= kAbandonedReplyWaitMs)
        return false;
    const uint32_t mark = mark_;
    const uint32_t total = comm_.TotalReceived();
    return total >= mark && total - mark < dueLength_;
}

void ProtocolLoop::portNotify(void* object, QObject* /*sender*/, int32_t code)
{
    // Code 2: the port opened (on the thread that opened it, the window's).
    if (code == 2)
        static_cast<ProtocolLoop*>(object)->portOpened();
}

void ProtocolLoop::portOpened()
{
    // The count starts again with the opening: the mark follows it, and no reply of the old
    // opening is due any more.
    mark_ = comm_.TotalReceived();
    dueLength_ = 0;
    if (opening_ || depth_ == 0)
        return;
    // A pick in the port picker re-opened the port under a running loop: whatever exchange was in
    // progress cannot finish on this line.
    endExchange(
        QStringLiteral("Port changed to %1: the exchange in progress was ended").arg(QString::fromStdString(comm_.ComName())));
}

void ProtocolLoop::endExchange(const QString& why)
{
    const bool busy = job_.running() || (state_ != State::kIdle && hasStep(state_));
    if (job_.running())
        job_.stop();
    disarmArrival();
    state_ = State::kIdle;
    requestWaits_ = false;
    endStallNotice();
    if (busy)
        host_.setStatusPanel(1, why);
}

uint32_t ProtocolLoop::tick() const
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ProtocolLoop::waitMilliseconds(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void ProtocolLoop::beginRequest(uint32_t replyLength)
{
    comm_.ClearDeviceInput();
    mark_ = comm_.TotalReceived();
    dueLength_ = replyLength;
    requestSent_ = false;  // a reply is due once the request has gone out
}

void ProtocolLoop::noteSent()
{
    if (!requestSent_) {
        requestSent_ = true;
        requestTick_ = tick();
    }
}

void ProtocolLoop::sendByte(uint8_t b)
{
    noteSent();
    comm_.SendChar(static_cast<char16_t>(b));
}

void ProtocolLoop::sendBytes(std::span<const uint8_t> bytes)
{
    for (uint8_t b : bytes)
        sendByte(b);
}

void ProtocolLoop::sendCommandFrame(uint8_t code, std::span<const uint8_t> params)
{
    sendByte(0xA6);
    sendByte(static_cast<uint8_t>(params.size() + 1));
    sendByte(code);
    sendBytes(params);
}

void ProtocolLoop::sendFrame(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return;
    noteSent();
    comm_.SendData(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool ProtocolLoop::lineUp() const { return comm_.Active(); }

uint32_t ProtocolLoop::receivedSinceMark() const { return comm_.TotalReceived() - mark_; }

uint32_t ProtocolLoop::bytesQueued() const { return comm_.InputQueued(); }

bool ProtocolLoop::replyArrived(uint32_t length) const
{
    // A count below the mark (the port opened again under the step) is no reply.
    const uint32_t mark = mark_;
    const uint32_t total = comm_.TotalReceived();
    return total >= mark && total - mark >= length && bytesQueued() >= length;
}

uint8_t ProtocolLoop::readByte()
{
    // A reader never waits for a byte that is not there: the queue may have been emptied by an
    // opening of the port since the count said the reply had come.
    uint8_t b = 0;
    if (bytesQueued() > 0)
        comm_.Read(&b, 1);
    return b;
}

bool ProtocolLoop::tryOpenPort()
{
    try {
        opening_ = true;
        comm_.SetActive(false);
        const int link = host_.linkTypeIndex();
        if (link >= 0 && link < static_cast<int>(std::size(kLinkBaudRates)))
            comm_.SetBaudRate(kLinkBaudRates[link]);
        comm_.SetActive(true);
        opening_ = false;
        comm_.ClearDeviceBuffers();
        return true;
    } catch (const std::exception& e) {
        opening_ = false;
        const QString reason = QString::fromLocal8Bit(e.what());
        host_.setConnectFailureReason(reason);
        // Panel 1 names the port tried and why it would not open, in words the user can act on.
        host_.setStatusPanel(1, connectAttemptText(QString::fromStdString(comm_.ComName()), reason));
        attemptShown_ = true;
        return false;
    }
}

void ProtocolLoop::connectAndRun()
{
    // A second "Connect" re-opens the port: not under a running job.
    if (refuse())
        return;
    ++depth_;
    if (!dispatcher_)  // set before the port opens, so before the receive threads start
        dispatcher_ = QAbstractEventDispatcher::instance();
    exitFlag_ = false;
    int32_t attempts = 0;
    host_.setChipVisible(false);

    while (!exitFlag_) {
        if (tryOpenPort())
            break;
        waitMilliseconds(kRetryDelayMs);  // the window does not react meanwhile
        ++attempts;
        host_.setStatusPanel(0, QStringLiteral("try connect ") + QString::number(attempts));
        QCoreApplication::processEvents();
    }

    if (comm_.Active()) {
        host_.setConnectFailureReason(QString());  // the port opened: an old reason is no news
        if (attemptShown_) {
            attemptShown_ = false;
            host_.setStatusPanel(1, QString());
        }
    }
    host_.enablePages();
    // The chip shows an open port, and only that: "Exit" during the attempts leaves it hidden.
    host_.setChipVisible(comm_.Active());
    state_ = State::kHello;
    lossReported_ = false;

    try {
        while (!exitFlag_)
            runPass();
    } catch (const std::exception& e) {
        // The handler is left at once: no goodbye, the port stays open.
        noteWaiting(false);
        job_.stop();
        disarmArrival();
        --depth_;
        host_.reportError(QString::fromLocal8Bit(e.what()));
        return;
    } catch (...) {
        noteWaiting(false);
        job_.stop();
        --depth_;
        host_.reportError(QStringLiteral("Unknown error"));
        return;
    }

    // A job still running ends here, marked where it stood; nothing more goes for it.
    noteWaiting(false);
    job_.stop();
    sendBytes(kGoodbyeSequence);
    comm_.SetActive(false);
    showDisconnected();
    --depth_;
}

void ProtocolLoop::requestExit()
{
    exitFlag_ = true;
    disarmArrival();  // no further block leaves from the reading thread
    endStallNotice();
    waiting_ = false;
    stallTimer_.stop();
}

bool ProtocolLoop::connected() const { return depth_ > 0 && !exitFlag_ && comm_.Active(); }

void ProtocolLoop::showDisconnected()
{
    host_.setChipVisible(false);
    host_.setStatusPanel(0, QStringLiteral("Disconnected"));
}

void ProtocolLoop::runPass()
{
    const QString stateText = QString::number(state_);
    if (stateText != shownState_) {
        shownState_ = stateText;
        host_.setStatusPanel(4, stateText);
    }
    const QString totalText = QString::number(comm_.TotalReceived());
    if (totalText != shownTotal_) {
        shownTotal_ = totalText;
        host_.setStatusPanel(5, totalText);
    }

    wakePending_.store(false);
    if (!lossReported_ && !comm_.Active()) {
        // Nothing reaches the display any more; requests go on being accepted and dropped
        // until the user connects again.
        lossReported_ = true;
        lossShown_ = true;
        stallShown_ = false;  // the loss is the news now
        host_.setStatusPanel(1,
                             QStringLiteral("Connection to %1 lost. Press \"Connect\" to connect again.")
                                 .arg(QString::fromStdString(comm_.ComName())));
        showDisconnected();  // no display is connected any more
    }
    // Bytes heard since the last pass end a stall: the text it covered comes back.
    const uint32_t total = comm_.TotalReceived();
    if (total != heardTotal_) {
        heardTotal_ = total;
        quietSince_ = tick();
        endStallNotice();
    }
    // A count below the mark: the port opened again under a step that had not heard of it.
    // (The mark is read before the count: a count that only grows is then never below it.)
    if (const uint32_t mark = mark_; comm_.Active() && comm_.TotalReceived() < mark) {
        mark_ = comm_.TotalReceived();
        dueLength_ = 0;
        endExchange(QStringLiteral("The port was opened again: the exchange in progress was ended"));
    }
    // A request that abandons a reply still due waits for the rest of it (or its time), so that
    // the late bytes are discarded by its own request, not read as its reply.
    if (requestWaits_ && abandonedReplyDue()) {
        if (!dueTimerArmed_) {
            dueTimerArmed_ = true;
            const uint32_t left = kAbandonedReplyWaitMs - (tick() - requestTick_);
            QTimer::singleShot(static_cast<int>(left) + 1, this, [this] { dueTimerArmed_ = false; });
        }
        noteWaiting(true);
        emit passDone();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        eventsProcessedNs_ = steadyNs();
        return;
    }
    requestWaits_ = false;
    // A state without a step only waits, as the idle state does.
    const auto it = steps_.find(state_);
    const StepResult result = it != steps_.end() ? it->second() : StepResult::WaitForInput;
    noteWaiting(it != steps_.end() && result == StepResult::WaitForInput);
    emit passDone();

    if (result == StepResult::Acted) {
        if (mayChainPass())
            return;
        QCoreApplication::processEvents();
        eventsProcessedNs_ = steadyNs();
        return;
    }
    // Nothing happened in this pass: sleep until an event comes (input, a handler's request,
    // the receive thread's wake-up) or, for a step that waits for something else, the timer.
    if (result == StepResult::WaitForTimer)
        QTimer::singleShot(kTimerRecheckMs, this, [] {});
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    eventsProcessedNs_ = steadyNs();
}

// After a step that acted, the next pass may follow without a round of the window's events,
// which costs far more than most steps (a repaint may sit in it), until such a run of passes has
// lasted kChainLimitNs. Handlers still run only between two passes, at most that much later; a
// pass that waits always processes the events.
bool ProtocolLoop::mayChainPass() const { return steadyNs() - eventsProcessedNs_ < kChainLimitNs; }

void ProtocolLoop::noteWaiting(bool waitsForDisplay)
{
    if (!waitsForDisplay) {
        // Acting, idle, or waiting for something other than the display: no notice, no timer.
        waiting_ = false;
        endStallNotice();
        stallTimer_.stop();
        return;
    }
    if (!waiting_) {
        waiting_ = true;
        quietSince_ = tick();
        stallTimer_.start();
    }
    if (tick() - quietSince_ >= stallNoticeMs_ && comm_.Active())
        showStallNotice();
}

void ProtocolLoop::endStallNotice()
{
    if (!stallShown_)
        return;
    stallShown_ = false;
    // A step that wrote panel 1 meanwhile keeps its text; otherwise the notice's cover returns.
    if (host_.statusPanelText(1) == noticeText_)
        host_.setStatusPanel(1, textBeforeStall_);
}

void ProtocolLoop::showStallNotice()
{
    const uint32_t seconds = (tick() - quietSince_) / 1000;
    const QString hint = job_.running() ? QLatin1Char(' ') + job_.stallHint() : QStringLiteral(" (press another button or Exit)");
    const QString text = state_ == State::kSizeReply
        ? QStringLiteral("No answer from the display since Connect, for %1 s; still waiting").arg(seconds) + hint
        : QStringLiteral("No answer from the display for %1 s; still waiting").arg(seconds) + hint;
    if (!stallShown_) {
        stallShown_ = true;
        const QString shown = host_.statusPanelText(1);
        // A notice is never what a notice gives back.
        textBeforeStall_ = shown == noticeText_ ? QString() : shown;
    }
    noticeText_ = text;
    host_.setStatusPanel(1, text);
}

ProtocolLoop::StepResult ProtocolLoop::stepHello()
{
    host_.setSizesStale(true);
    comm_.ClearDeviceBuffers();
    sendBytes(kHelloSequence);
    if (lossShown_ && comm_.Active()) {
        lossShown_ = false;  // greeted again: the old loss is no news any more
        host_.setStatusPanel(1, QString());
    }
    advance(State::kSizeQuery);
    host_.showPages();
    startTick_ = tick();
    return StepResult::Acted;
}

ProtocolLoop::StepResult ProtocolLoop::stepSizeQuery()
{
    const uint32_t elapsed = tick() - startTick_;
    if (elapsed < kSizeQueryDelayMs)
        waitMilliseconds(kSizeQueryDelayMs - elapsed);
    beginRequest(State::replyLength(State::kSizeReply));
    sendCommandFrame(kSizeQueryCode, {});
    advance(State::kSizeReply);
    return StepResult::Acted;
}

ProtocolLoop::StepResult ProtocolLoop::stepSizeReply()
{
    if (!replyArrived(6))
        return StepResult::WaitForInput;
    std::array<uint8_t, 6> bytes{};
    for (auto& b : bytes)
        b = readByte();
    host_.showSizes(decodeSizeReply(bytes));
    host_.setSizesStale(false);
    advance(State::kIdle);
    return StepResult::Acted;
}
