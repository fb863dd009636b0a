// A line that goes away under the component, the way real adapters lose it: the loss is
// noticed, the device is let go, nothing spins, and closing from any thread is safe. Also the
// bounded input queue and the low-latency request.
#include <dirent.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <cerrno>
#include <climits>
#include <mutex>
#include <thread>

#include "device_ports.h"
#include "comm_fixture.h"

namespace {

// A serial chip's driver: it keeps line counters, so every status query asks the device, and
// once the far end has hung up each such query fails with EIO (as TIOCGICOUNT does).
class UartLikePort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    bool QueryStatus(nrplatform::PortStatus& status, int& error) override
    {
        ++queries;
        struct pollfd p = {static_cast<int>(inner_->NativeHandle()), 0, 0};
        if (::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP)) {
            error = EIO;
            return false;
        }
        return inner_->QueryStatus(status, error);
    }
    std::atomic<int> queries{0};
};

// Descriptors of this process open on the path.
int DescriptorsOn(const std::string& path)
{
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (dirent* e = ::readdir(dir)) {
        char link[PATH_MAX] = {};
        const std::string fdPath = std::string("/proc/self/fd/") + e->d_name;
        const ssize_t n = ::readlink(fdPath.c_str(), link, sizeof link - 1);
        if (n > 0 && path == std::string(link, static_cast<size_t>(n)))
            ++count;
    }
    ::closedir(dir);
    return count;
}

int ThreadCount()
{
    int count = 0;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir)
        return -1;
    while (dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.')
            ++count;
    ::closedir(dir);
    return count;
}

double ProcessCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(CommLineLoss, AHungUpUartIsNoticedAtOnceAndNothingSpinsAfterwards)
{
    for (const bool onMainThread : {false, true}) {
        SCOPED_TRACE(onMainThread ? "handling on the component's thread" : "handling on the message thread");
        PtyPair pty;
        auto comm = MakeComm(pty);
        comm->SetUseMainThread(onMainThread);
        PortSlot<UartLikePort> slot;
        comm->SetPortFilter(slot.Filter());
        std::atomic<int> closes{0};
        NotifyRecorder notes;
        comm->SetOnClose([&](QObject*) { ++closes; });
        comm->SetActive(true);
        ASSERT_TRUE(comm->Active());
        comm->NotifyAdd(&NotifyRecorder::Routine, &notes);
        // the line works until the far end goes
        pty.Write("ab");
        ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 2; }));

        pty.Write("c");  // input waiting at the moment of the hang-up
        pty.CloseMaster();
        ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); })) << "the loss was never noticed";
        EXPECT_TRUE(WaitUntil([&] { return closes.load() == 1 && notes.Codes() == std::vector<int32_t>{1}; }));

        // nothing keeps waking up: the process sleeps while the test sleeps
        WaitUntil([] { return false; }, std::chrono::milliseconds(100));  // posted clean-up runs
        const int queriesBefore = slot.port->queries.load();
        const double cpuBefore = ProcessCpuSeconds();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        EXPECT_LT(cpu, 0.1) << "CPU seconds used in 0.4 s of idle after the loss";
        EXPECT_EQ(slot.port->queries.load(), queriesBefore) << "status still queried after the loss";
    }
}

TEST(CommLineLoss, AfterALossNoDescriptorAndNoReceiveThreadRemains)
{
    PtyPair pty;
    const int threadsBefore = ThreadCount();
    auto comm = MakeComm(pty);
    std::string path = pty.SlavePath();
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    pty.Write("x");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 1; }));
    ASSERT_GE(DescriptorsOn(path), 1);
    ASSERT_GT(ThreadCount(), threadsBefore);

    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); }));
    // the device number is free again: a cable plugged back in gets the same name
    EXPECT_TRUE(WaitUntil([&] { return DescriptorsOn(path) == 0; })) << DescriptorsOn(path) << " still open";
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == threadsBefore; }))
        << ThreadCount() - threadsBefore << " threads still running";
}

// A device whose writes fail: the writer thread reports each failed block.
class FailingWritePort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    nrplatform::WriteOutcome Write(const void*, size_t, size_t& written, nrplatform::WakeEvent*, int, int& error) override
    {
        written = 0;
        error = EIO;
        return nrplatform::WriteOutcome::Failed;
    }
};

TEST(CommLineLoss, AnErrorHandlerMayCloseThePortOnTheWritersThread)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    PortSlot<FailingWritePort> slot;
    comm->SetPortFilter(slot.Filter());
    std::atomic<int> errors{0};
    std::atomic<bool> closedOnOtherThread{false};
    TnrComm* raw = comm.get();
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t, uint32_t sys, TComStateFlags, bool&) {
        ++errors;
        EXPECT_EQ(sys, static_cast<uint32_t>(EIO));
        closedOnOtherThread = QThread::currentThread() != raw->thread();
        raw->SetActive(false);
    });
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    const uint8_t block[16] = {1, 2, 3};
    comm->SendData(block, sizeof block);
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); }));
    EXPECT_EQ(errors.load(), 1);
    EXPECT_TRUE(closedOnOtherThread.load());
    // the writer's thread ends on its own state; the port opens again and works
    pty.Write("z");
    slot.port.reset();  // the test's own hold on the device goes too
    comm->SetPortFilter(nullptr);
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    comm->SendString("ok");
    EXPECT_EQ(pty.Read(2), (std::vector<uint8_t>{'o', 'k'}));
    comm.reset();  // under ASan: no use of the freed writer
}

TEST(CommInputQueue, WhatDoesNotFitIsDroppedUncountedAndReportedAsAnOverrun)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    comm->SetBufferInSize(1024);
    std::mutex lock;
    std::vector<uint32_t> codes;
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t code, uint32_t, TComStateFlags, bool&) {
        std::lock_guard<std::mutex> guard(lock);
        codes.push_back(code);
    });
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    std::vector<uint8_t> data(10 * 1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    pty.Write(data);
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard<std::mutex> guard(lock);
        return !codes.empty();
    }));
    WaitUntil([] { return false; }, kQuietPeriod);
    EXPECT_EQ(comm->TotalReceived(), 1024u) << "dropped bytes must not be counted";
    EXPECT_EQ(comm->ReadyForRead(), 1024u);
    {
        std::lock_guard<std::mutex> guard(lock);
        for (uint32_t code : codes)
            EXPECT_EQ(code, static_cast<uint32_t>(CE_RXOVER));
    }
    // what was kept is the first part, in order, and a Read of it returns at once
    std::vector<uint8_t> kept(1024);
    ASSERT_TRUE(ReadWithin(*comm, kept.data(), 1024));
    EXPECT_EQ(kept, std::vector<uint8_t>(data.begin(), data.begin() + 1024));
    // with room again, new bytes are taken
    pty.Write("more");
    EXPECT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 1028u; }));
}

// A USB adapter's driver: it grants low latency and remembers whether it is on.
class LatencyPort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    bool RequestLowLatency() override
    {
        ++requests;
        lowLatency = true;
        return true;
    }
    void RestoreLatency() override
    {
        ++restores;
        lowLatency = false;
    }
    std::atomic<int> requests{0}, restores{0};
    std::atomic<bool> lowLatency{false};
};

TEST(CommLowLatency, AskedForOnOpeningAndPutBackOnEveryKindOfClose)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    PortSlot<LatencyPort> slot;
    comm->SetPortFilter(slot.Filter());
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    EXPECT_EQ(slot.port->requests.load(), 1);
    EXPECT_TRUE(slot.port->lowLatency.load());
    comm->SetActive(false);
    EXPECT_EQ(slot.port->restores.load(), 1);
    EXPECT_FALSE(slot.port->lowLatency.load());
    slot.port.reset();  // the test's own hold on the device goes too

    comm->SetActive(true);  // and after a lost line
    ASSERT_TRUE(comm->Active());
    EXPECT_EQ(slot.port->requests.load(), 1);
    EXPECT_TRUE(slot.port->lowLatency.load());
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); }));
    EXPECT_EQ(slot.port->restores.load(), 1);
    EXPECT_FALSE(slot.port->lowLatency.load());
}

TEST(CommLowLatency, ADriverThatRefusesItIsUsedAsItIs)
{
    // the pseudo-terminal's driver has no serial settings: the request fails quietly
    PtyPair pty;
    int error = 0;
    nrplatform::PortPtr raw = nrplatform::OpenPort(pty.SlavePath(), error);
    ASSERT_TRUE(raw) << nrplatform::ErrorText(error);
    EXPECT_FALSE(raw->RequestLowLatency());
    raw->RestoreLatency();  // nothing to put back, and no harm
    raw.reset();

    auto comm = MakeComm(pty);
    std::atomic<int> errors{0};
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t, uint32_t, TComStateFlags, bool&) { ++errors; });
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    comm->SendString("hi");
    EXPECT_EQ(pty.Read(2), (std::vector<uint8_t>{'h', 'i'}));
    EXPECT_EQ(errors.load(), 0);
}

}  // namespace

// Handlers are read without a lock by the receive threads and the writer: they may change only
// once nothing of the port is left running, also after a loss that closed the port on another
// thread, and CloseAndWait gets there from any state.
TEST(CommLineLoss, HandlersMayChangeOnlyOnceNothingOfThePortRuns)
{
    PtyPair pty;
    const int threadsBefore = ThreadCount();
    auto comm = MakeComm(pty);
    EXPECT_TRUE(comm->HandlersMayChange()) << "never opened";
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    EXPECT_FALSE(comm->HandlersMayChange()) << "open";
    EXPECT_DEBUG_DEATH(comm->SetOnClose([](QObject*) {}), "HandlersMayChange");
    comm->SetActive(false);
    EXPECT_TRUE(comm->HandlersMayChange()) << "closed by the user";

    comm->SetActive(true);
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); })) << "the loss was never noticed";
    comm->CloseAndWait();
    EXPECT_TRUE(comm->HandlersMayChange()) << "after a loss and CloseAndWait";
    EXPECT_EQ(ThreadCount(), threadsBefore) << "CloseAndWait returned before the threads ended";
    comm->SetOnClose([](QObject*) {});
}
