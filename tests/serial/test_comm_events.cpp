// Events of the receive handling: error flags, trace states, consumers, fatal errors, the notify
// list and the keep-connection timer.
#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>

#include "comm_fixture.h"
#include "serial/nr_notify_list.h"
#include "serial/nr_timer.h"
#include "serial/thread_messages.h"
#include "device_ports.h"

namespace {

TEST(CommErrorFlags, AllFiveFlagsAtOnceMeanALostConnection)
{
    PtyPair pty;
    std::atomic<int> closes{0}, commErrors{0};
    NotifyRecorder notes;
    auto comm = MakeComm(pty);
    PortSlot<ScriptedStatusPort> slot;
    comm->SetPortFilter(slot.Filter());
    comm->SetOnClose([&](QObject*) { ++closes; });
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t, uint32_t, TComStateFlags, bool&) { ++commErrors; });
    comm->SetActive(true);
    comm->NotifyAdd(&NotifyRecorder::Routine, &notes);

    slot.port->Next(0x1F);
    pty.Write("x");
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); }));
    EXPECT_TRUE(WaitUntil([&] { return closes.load() == 1 && notes.Codes().size() == 1; }));
    EXPECT_EQ(notes.Codes(), (std::vector<int32_t>{1}));
    EXPECT_EQ(commErrors.load(), 0);
}

TEST(CommErrorFlags, OtherFlagsOnlyReportACommunicationError)
{
    PtyPair pty;
    RecordingLog log;
    std::mutex lock;
    std::vector<uint32_t> reported;
    auto comm = MakeComm(pty);
    comm->SetLog(&log);
    PortSlot<ScriptedStatusPort> slot;
    comm->SetPortFilter(slot.Filter());
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t code, uint32_t sys, TComStateFlags, bool&) {
        std::lock_guard<std::mutex> guard(lock);
        reported.push_back(code);
        EXPECT_EQ(sys, 0u);
    });
    comm->SetActive(true);

    slot.port->Next(0x02);  // overrun
    pty.Write("a");
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard<std::mutex> guard(lock);
        return reported.size() == 1;
    }));
    EXPECT_TRUE(comm->Active());
    // the byte stayed at the port and is counted by the next handling
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 1; }));
    pty.Write("b");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 2; }));
    char buf[2] = {};
    comm->Read(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "ab");
    EXPECT_EQ(reported, (std::vector<uint32_t>{0x02}));
    EXPECT_EQ(log.Count("nrComm: Communication Error 2:0 0"), 1);
}

TEST(CommErrorFlags, AHandlerAskingForAFlushPurgesTheQueues)
{
    PtyPair pty;
    std::atomic<int> calls{0};
    auto comm = MakeComm(pty);
    PortSlot<ScriptedStatusPort> slot;
    comm->SetPortFilter(slot.Filter());
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t, uint32_t, TComStateFlags, bool& flush) {
        flush = true;
        ++calls;
    });
    comm->SetActive(true);
    pty.Write("old");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 3; }));
    slot.port->Next(0x08);
    pty.Write("n");
    ASSERT_TRUE(WaitUntil([&] { return calls.load() == 1; }));
    EXPECT_EQ(comm->ReadyForRead(), 0u) << "the queued bytes were purged";
}

TEST(CommTraceStates, AnEmptySetStillWatchesReceivedCharacters)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    EXPECT_EQ(comm->EventMask(), static_cast<uint32_t>(EV_RXCHAR));
    comm->SetActive(true);
    pty.Write("q");
    EXPECT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 1; }));
}

TEST(CommTraceStates, EveryCloseReportsTransmitEmptyEvenWhenClosedAlready)
{
    PtyPair pty;
    std::vector<TTraceStates> seen;
    auto comm = MakeComm(pty);
    comm->SetOnTraceState([&](TnrBaseIO*, TTraceStates s) { seen.push_back(s); });
    comm->SetActive(true);  // the opening's first step is a close of the closed port
    comm->SetActive(false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], TTraceStates{tsTxEmpty});
    EXPECT_EQ(seen[1], TTraceStates{tsTxEmpty});
}

TEST(CommTraceStates, TheEventCharacterIsReported)
{
    PtyPair pty;
    std::atomic<uint16_t> seen{0};
    auto comm = MakeComm(pty);
    comm->SetEventChar('\n');
    comm->SetTraceStates(TTraceStates{tsRxFlag});
    comm->SetOnTraceState([&](TnrBaseIO*, TTraceStates s) { seen = seen | s.bits(); });
    comm->SetActive(true);
    pty.Write("no flag");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 7; }));
    QThread::msleep(kQuietPeriod.count());
    EXPECT_FALSE(TTraceStates::FromBits(seen.load()).Contains(tsRxFlag));
    pty.Write("line\n");
    EXPECT_TRUE(WaitUntil([&] { return TTraceStates::FromBits(seen.load()).Contains(tsRxFlag); }));
}

TEST(CommTraceStates, TransmitEmptyCallsOnAfterSendWhenWatched)
{
    PtyPair pty;
    std::atomic<int> sent{0};
    auto comm = MakeComm(pty);
    comm->SetTraceStates(TTraceStates{tsTxEmpty});
    comm->SetOnAfterSend([&](TnrBaseIO*) { ++sent; });
    comm->SetActive(true);
    comm->SendString("ping");
    ASSERT_EQ(pty.Read(4).size(), 4u);
    EXPECT_TRUE(WaitUntil([&] { return sent.load() >= 1; }));
}

TEST(CommConsumers, AReceiveConsumerTakesTheBytesOutAndTheTotalStillCountsThem)
{
    PtyPair pty;
    RecordingLog log;
    std::mutex lock;
    std::string got;
    auto comm = MakeComm(pty);
    comm->SetLog(&log);
    comm->SetOnAfterReceive([&](TnrBaseIO*, const void* buf, uint32_t n) {
        std::lock_guard<std::mutex> guard(lock);
        got.append(static_cast<const char*>(buf), n);
    });
    comm->SetActive(true);
    pty.Write("abc");
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard<std::mutex> guard(lock);
        return got == "abc";
    }));
    EXPECT_EQ(comm->TotalReceived(), 3u);
    EXPECT_EQ(comm->ReadyForRead(), 0u);
    EXPECT_GE(log.Count("nrComm: Input data length: 3"), 1);
}

TEST(CommConsumers, AnErrorInsideTheHandlingGoesToTheErrorBoxAndTheThreadGoesOn)
{
    PtyPair pty;
    std::mutex lock;
    std::vector<std::string> boxes;
    std::atomic<uint32_t> fatalCode{0};
    std::atomic<int> deliveries{0};
    auto comm = MakeComm(pty);
    comm->SetErrorBox([&](const std::string& text) {
        std::lock_guard<std::mutex> guard(lock);
        boxes.push_back(text);
    });
    comm->SetOnFatalError([&](QObject*, uint32_t code, uint32_t, const std::string&, bool&) { fatalCode = code; });
    comm->SetOnAfterReceive([&](TnrBaseIO*, const void*, uint32_t) {
        if (++deliveries == 1)
            throw EnrCommError("consumer failed");
    });
    comm->SetActive(true);
    pty.Write("1");
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard<std::mutex> guard(lock);
        return boxes.size() == 1;
    }));
    EXPECT_EQ(boxes[0], "consumer failed");
    EXPECT_EQ(fatalCode.load(), 1u);
    pty.Write("2");
    EXPECT_TRUE(WaitUntil([&] { return deliveries.load() == 2; }));
    EXPECT_TRUE(comm->Active());
}

TEST(NotifyList, ASecondEntryWithTheSameRoutineIsRefused)
{
    TnrComm comm;
    NotifyRecorder a, b;
    comm.NotifyAdd(&NotifyRecorder::Routine, &a);
    comm.NotifyAdd(&NotifyRecorder::Routine, &b);  // same routine, other object
    comm.NotifyAdd(&NotifyRecorder::Other, &b);
    EXPECT_EQ(comm.NotifyList().Count(), 2);
    comm.DoNotify(3);
    EXPECT_EQ(a.Codes(), (std::vector<int32_t>{3}));
    EXPECT_EQ(b.Codes(), (std::vector<int32_t>{103}));

    comm.NotifyDelete(&NotifyRecorder::Routine, &b);  // found by the routine alone
    EXPECT_EQ(comm.NotifyList().Count(), 1);
    EXPECT_EQ(comm.NotifyList().IndexOf(&NotifyRecorder::Other, nullptr), 0);
}

namespace {
// A listener that notes its call, then waits for its release (or a bound).
struct HeldListener {
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    std::atomic<bool> ended{false};
    std::atomic<int> calls{0};
    static void Routine(void* object, QObject*, int32_t)
    {
        auto* self = static_cast<HeldListener*>(object);
        ++self->calls;
        self->inside = true;
        WaitUntil([self] { return self->release.load(); }, std::chrono::milliseconds(2000));
        self->ended = true;
    }
};
}  // namespace

// The list is not locked while a listener runs: another thread may use it meanwhile, and a
// removal on another thread returns only once the call of the removed listener has ended, after
// which it is never called again.
TEST(NotifyList, ListenersRunUnlockedAndARemovalWaitsForTheirCall)
{
    TnrNotifyList list;
    HeldListener held;
    list.Add(&HeldListener::Routine, &held);
    std::thread caller([&] { list.Call(nullptr, 3); });
    ASSERT_TRUE(WaitUntil([&] { return held.inside.load(); }));

    // Another thread reads the list while the listener runs.
    std::atomic<int> seen{-1};
    std::thread reader([&] { seen = list.Count(); });
    EXPECT_TRUE(WaitUntil([&] { return seen.load() == 1; }, std::chrono::milliseconds(1000)));

    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        held.release = true;
    });
    list.Delete(0);
    EXPECT_TRUE(held.ended.load()) << "the removal returned while the removed listener still ran";
    list.Call(nullptr, 3);
    EXPECT_EQ(held.calls.load(), 1);
    releaser.join();
    reader.join();
    caller.join();
}

TEST(ThreadMessages, NumbersAreHandedOutOncePerNameFrom0xC000)
{
    const uint32_t event = nrRegisterMessage("nrCommMsgComEvent");
    const uint32_t quit = nrRegisterMessage("nrCommMsgQuitComEvent");
    EXPECT_GE(event, 0xC000u);
    EXPECT_GE(quit, 0xC000u);
    EXPECT_NE(event, quit);
    EXPECT_EQ(nrRegisterMessage("nrCommMsgComEvent"), event);
    EXPECT_EQ(TnrComm::CommEventMessage(), event);
    EXPECT_EQ(TnrComm::QuitMessage(), quit);
}

TEST(KeepConnection, ALostConnectionGivesOneLineAfterTwoSeconds)
{
    PtyPair pty;
    RecordingLog log;
    auto comm = MakeComm(pty);
    comm->SetLog(&log);
    comm->SetKeepConnection(true);
    comm->SetActive(true);
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); }));
    const auto lost = std::chrono::steady_clock::now();
    const std::string line = "nrComm: Try to keep connection ...";
    WaitUntil([] { return false; }, std::chrono::milliseconds(1500));
    EXPECT_EQ(log.Count(line), 0) << "not before the interval";
    ASSERT_TRUE(WaitUntil([&] { return log.Count(line) == 1; }, std::chrono::milliseconds(2500)));
    EXPECT_GE(std::chrono::steady_clock::now() - lost, std::chrono::milliseconds(1900));
    WaitUntil([] { return false; }, std::chrono::milliseconds(2300));
    EXPECT_EQ(log.Count(line), 1) << "the timer stops after its tick";
    EXPECT_FALSE(comm->Active()) << "and nothing reopens the port";
}

TEST(KeepConnection, TheTimerTicksOnlyWhenEnabledWithARoutine)
{
    TnrTimer timer;
    int ticks = 0;
    timer.SetInterval(10);
    EXPECT_FALSE(WaitUntil([&] { return ticks > 0; }, std::chrono::milliseconds(50))) << "no routine yet";
    timer.SetOnTimer([&](QObject*) {
        ++ticks;
        throw std::runtime_error("dropped");
    });
    EXPECT_TRUE(WaitUntil([&] { return ticks >= 2; })) << "an error in a tick is dropped";
    timer.SetEnabled(false);
    const int stopped = ticks;
    WaitUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(ticks, stopped);
}

}  // namespace
