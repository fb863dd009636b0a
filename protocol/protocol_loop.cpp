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
}

ProtocolLoop::~ProtocolLoop()
{
    disarmArrival();
    // The session ends with the loop: its handlers may only go once nothing can call them.
    comm_.CloseAndWait();
    comm_.SetOnBytesCounted(nullptr);
    comm_.SetOnClose(nullptr);
    comm_.SetOpenWait(nullptr);
}

void ProtocolLoop::onBytesCounted()
{
    bool handled = false;
    {
        std::lock_guard<std::mutex> guard(arrivalLock_);
        if (arrival_) {
            handled = arrival_();
            if (!handled)
                arrival_ = nullptr;
        }
    }
    if (handled) {
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
    std::lock_guard<std::mutex> guard(arrivalLock_);
    arrival_ = nullptr;
}

void ProtocolLoop::registerStep(int32_t state, Step step) { steps_[state] = std::move(step); }

bool ProtocolLoop::hasStep(int32_t state) const { return steps_.count(state) != 0; }

void ProtocolLoop::registerConnectionSteps()
{
    registerStep(State::kHello, [this] { return stepHello(); });
    registerStep(State::kSizeQuery, [this] { return stepSizeQuery(); });
    registerStep(State::kSizeReply, [this] { return stepSizeReply(); });
}

void ProtocolLoop::setState(int32_t s) { state_ = s; }

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

void ProtocolLoop::storeCommand(int32_t state, uint8_t code)
{
    code_ = code;
    state_ = state;
}

void ProtocolLoop::storeCommand(int32_t state, uint8_t code, uint8_t parameter)
{
    code_ = code;
    parameter_ = parameter;
    state_ = state;
}

uint32_t ProtocolLoop::tick() const
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ProtocolLoop::waitMilliseconds(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void ProtocolLoop::beginRequest()
{
    comm_.ClearDeviceInput();
    mark_ = comm_.TotalReceived();
}

void ProtocolLoop::sendByte(uint8_t b) { comm_.SendChar(static_cast<char16_t>(b)); }

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
    if (!bytes.empty())
        comm_.SendData(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool ProtocolLoop::lineUp() const { return comm_.Active(); }

uint32_t ProtocolLoop::receivedSinceMark() const { return comm_.TotalReceived() - mark_; }

uint8_t ProtocolLoop::readByte()
{
    uint8_t b = 0;
    comm_.Read(&b, 1);
    return b;
}

bool ProtocolLoop::tryOpenPort()
{
    try {
        comm_.SetActive(false);
        const int link = host_.linkTypeIndex();
        if (link >= 0 && link < static_cast<int>(std::size(kLinkBaudRates)))
            comm_.SetBaudRate(kLinkBaudRates[link]);
        comm_.SetActive(true);
        comm_.ClearDeviceBuffers();
        return true;
    } catch (const std::exception& e) {
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

    if (attemptShown_ && comm_.Active()) {
        attemptShown_ = false;  // the port opened: why it did not before is no news any more
        host_.setStatusPanel(1, QString());
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
        if (stallShown_) {
            stallShown_ = false;
            host_.setStatusPanel(1, textBeforeStall_);
        }
    }
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
        stallShown_ = false;
        stallTimer_.stop();
        return;
    }
    if (!waiting_) {
        waiting_ = true;
        quietSince_ = tick();
        stallTimer_.start();
    }
    if (tick() - quietSince_ >= kStallNoticeMs && comm_.Active())
        showStallNotice();
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
        textBeforeStall_ = host_.statusPanelText(1);
    }
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
    setState(State::kSizeQuery);
    host_.showPages();
    startTick_ = tick();
    return StepResult::Acted;
}

ProtocolLoop::StepResult ProtocolLoop::stepSizeQuery()
{
    const uint32_t elapsed = tick() - startTick_;
    if (elapsed < kSizeQueryDelayMs)
        waitMilliseconds(kSizeQueryDelayMs - elapsed);
    beginRequest();
    sendCommandFrame(kSizeQueryCode, {});
    setState(State::kSizeReply);
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
    setState(State::kIdle);
    return StepResult::Acted;
}
