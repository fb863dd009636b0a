// Sending: order of blocks and bytes, copies, empty strings, purges, time-outs and log lines.
#include <gtest/gtest.h>

#include <QThread>
#include <future>
#include <thread>

#include "comm_fixture.h"
#include "device_ports.h"

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

class CommSend : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm = MakeComm(pty);
        comm->SetLog(&log);
        comm->SetOnCommError([this](TnrBaseIO*, uint32_t code, uint32_t sys, TComStateFlags, bool&) {
            std::lock_guard<std::mutex> guard(lock);
            errors.emplace_back(code, sys);
        });
        comm->SetActive(true);
        ASSERT_TRUE(comm->Active());
    }
    std::vector<std::pair<uint32_t, uint32_t>> Errors()
    {
        std::lock_guard<std::mutex> guard(lock);
        return errors;
    }
    PtyPair pty;
    RecordingLog log;
    std::unique_ptr<TnrComm> comm;
    std::mutex lock;
    std::vector<std::pair<uint32_t, uint32_t>> errors;
};

TEST_F(CommSend, BlocksAndBytesLeaveInTheOrderHandedOver)
{
    const auto first = Pattern(4096, 1);
    const auto second = Pattern(1000, 9);
    comm->SendData(first.data(), static_cast<uint32_t>(first.size()));
    comm->SendData(second.data(), static_cast<uint32_t>(second.size()));
    comm->SendChar(u'\x55');
    comm->SendString("END");
    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.push_back(0x55);
    expected.insert(expected.end(), {'E', 'N', 'D'});
    EXPECT_EQ(pty.Read(expected.size()), expected);
    EXPECT_EQ(comm->TotalSent(), expected.size());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(CommSend, SendDataReturnsAtOnceAndSendsACopy)
{
    // far more than the line holds while nobody reads at the far end
    auto block = Pattern(256 * 1024, 3);
    const auto original = block;
    auto call = std::async(std::launch::async, [&] { comm->SendData(block.data(), static_cast<uint32_t>(block.size())); });
    ASSERT_EQ(call.wait_for(kArriveTimeout), std::future_status::ready) << "SendData waited for the line";
    std::fill(block.begin(), block.end(), 0);  // the caller may reuse its block
    EXPECT_EQ(comm->TotalSent(), original.size());
    EXPECT_EQ(pty.Read(original.size()), original);
}

TEST_F(CommSend, SendCharSendsTheLowByteAndWaitsForIt)
{
    comm->SendChar(u'\u0141');  // 0x0141: the low byte is 0x41
    EXPECT_EQ(pty.Read(1), std::vector<uint8_t>{0x41});
    EXPECT_EQ(comm->TotalSent(), 1u);
    EXPECT_EQ(log.Count("nrComm: Try to send char 41h ..."), 1);
    comm->SendChar(u'\x05');
    EXPECT_EQ(log.Count("nrComm: Try to send char  5h ..."), 1);
}

TEST_F(CommSend, AnEmptyStringSendsAndLogsNothing)
{
    const size_t linesBefore = log.Snapshot().size();
    comm->SendString("");
    EXPECT_EQ(comm->TotalSent(), 0u);
    EXPECT_EQ(log.Snapshot().size(), linesBefore);
    comm->SendString("hi");
    EXPECT_EQ(pty.Read(2), (std::vector<uint8_t>{'h', 'i'}));
    EXPECT_EQ(log.Count("nrComm: Try to send string hi ..."), 1);
}

TEST_F(CommSend, SendDataWritesItsLogLines)
{
    const auto block = Pattern(10, 0);
    comm->SendData(block.data(), 10);
    EXPECT_EQ(log.Count("nrComm: Try to send the data with 10 length ..."), 1);
    EXPECT_EQ(log.Count("nrComm: ... the data transmittion is OK!"), 1);
}

TEST_F(CommSend, SendsOnAClosedPortDoNothing)
{
    comm->SetActive(false);
    const auto block = Pattern(10, 0);
    comm->SendChar(u'a');
    comm->SendString("abc");
    comm->SendData(block.data(), 10);
    comm->ClearDeviceBuffers();
    EXPECT_EQ(comm->TotalSent(), 0u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(CommSend, ClearDeviceBuffersDropsQueuedBlocksWithoutAReport)
{
    const auto block = Pattern(512 * 1024, 5);
    comm->SendData(block.data(), static_cast<uint32_t>(block.size()));
    EXPECT_GT(comm->NotYetSend(), 0u);
    comm->ClearDeviceBuffers();
    EXPECT_EQ(comm->NotYetSend(), 0u);
    comm->SendChar(u'Z');
    // what the line had taken before the purge may still arrive, then the new byte
    std::vector<uint8_t> got;
    ASSERT_TRUE(WaitUntil([&] {
        auto more = pty.Read(1 << 20, std::chrono::milliseconds(20));
        got.insert(got.end(), more.begin(), more.end());
        return !got.empty() && got.back() == 'Z';
    }));
    EXPECT_LT(got.size(), block.size());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(CommSend, AWriteThatTimesOutIsReportedAndNotCounted)
{
    comm->SetTimeoutWrite(100);
    const auto block = Pattern(512 * 1024, 1);  // nobody reads: the line fills up
    comm->SendData(block.data(), static_cast<uint32_t>(block.size()));
    const uint32_t sentBefore = comm->TotalSent();
    auto call = std::async(std::launch::async, [&] { comm->SendChar(u'q'); });
    ASSERT_EQ(call.wait_for(kArriveTimeout), std::future_status::ready) << "the write time-out bounds SendChar";
    EXPECT_EQ(comm->TotalSent(), sentBefore);
    ASSERT_TRUE(WaitUntil([&] { return Errors().size() == 2; }));
    for (const auto& [code, sys] : Errors()) {
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(sys, static_cast<uint32_t>(ETIMEDOUT));
    }
    EXPECT_GE(log.Count("nrComm: Communication Error 0:110 0"), 1);
}

TEST_F(CommSend, UserCloseLetsHandedOverBytesLeaveBeforeItPurges)
{
    // The far end reads only after the close has begun: a block still queued then must arrive
    // whole, not be cut off by the purge of the close.
    const auto block = Pattern(64 * 1024, 3);
    const uint8_t last = 0xAE;
    comm->SendData(block.data(), static_cast<uint32_t>(block.size()));
    comm->SendData(&last, 1);
    auto reader = std::async(std::launch::async, [this, n = block.size() + 1] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return pty.Read(n);
    });
    comm->SetActive(false);
    std::vector<uint8_t> expected = block;
    expected.push_back(last);
    EXPECT_EQ(reader.get(), expected);
}

TEST_F(CommSend, UserCloseOfAStuckLineEndsWithinItsBound)
{
    // Nobody reads the far end: the close waits a bounded time, then purges and closes.
    const auto block = Pattern(256 * 1024, 5);
    comm->SendData(block.data(), static_cast<uint32_t>(block.size()));
    const auto start = std::chrono::steady_clock::now();
    comm->SetActive(false);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(comm->Active());
    EXPECT_LT(took, std::chrono::seconds(2));
}

}  // namespace

// Records the thread of every write; says whether its driver takes a frame whole at once.
class ThreadRecordingPort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake, int timeoutMs,
                                   int& error) override
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            threads.push_back(std::this_thread::get_id());
        }
        return inner_->Write(data, size, written, wake, timeoutMs, error);
    }
    bool WritesAtOnce() const override { return atOnce; }
    std::vector<std::thread::id> Threads()
    {
        std::lock_guard<std::mutex> guard(lock);
        return threads;
    }
    bool atOnce = true;
    std::mutex lock;
    std::vector<std::thread::id> threads;
};

// Where the driver takes a frame at once, a frame handed over while nothing is queued is with
// the driver when SendData returns, written by the caller (no thread to wake in between);
// elsewhere the writer thread writes it.
TEST(CommSendDirect, AFrameHandedOverWhileNothingIsQueuedIsWrittenByTheCallerWhereTheDriverAllows)
{
    for (const bool atOnce : {true, false}) {
        SCOPED_TRACE(atOnce ? "driver takes frames at once" : "overlapped writes");
        PtyPair pty;
        auto comm = MakeComm(pty);
        PortSlot<ThreadRecordingPort> slot;
        comm->SetPortFilter([&](nrplatform::PortPtr inner) {
            auto port = slot.Filter()(std::move(inner));
            slot.port->atOnce = atOnce;
            return port;
        });
        comm->SetActive(true);
        ASSERT_TRUE(comm->Active());
        const auto frame = Pattern(300, 4);
        comm->SendData(frame.data(), static_cast<uint32_t>(frame.size()));
        if (atOnce) {
            ASSERT_EQ(slot.port->Threads().size(), 1u) << "not written before SendData returned";
            EXPECT_EQ(slot.port->Threads().front(), std::this_thread::get_id());
        }
        EXPECT_EQ(pty.Read(frame.size()), frame);
        ASSERT_FALSE(slot.port->Threads().empty());
        EXPECT_EQ(slot.port->Threads().front() == std::this_thread::get_id(), atOnce);
        EXPECT_EQ(comm->TotalSent(), frame.size());
    }
}

// Senders on several threads while the line is full and the writer has a queue: every frame
// arrives whole, none cut into another, each thread's frames in the order it sent them.
TEST_F(CommSend, FramesFromSeveralThreadsNeverInterleave)
{
    constexpr size_t kFrame = 700, kFrames = 150;
    auto sender = [this](uint8_t tag) {
        for (size_t i = 0; i < kFrames; ++i) {
            std::vector<uint8_t> frame(kFrame, tag);
            frame[0] = static_cast<uint8_t>(i);  // the sequence number, then the tag throughout
            comm->SendData(frame.data(), static_cast<uint32_t>(frame.size()));
        }
    };
    std::thread a(sender, 0xA1), b(sender, 0xB2);
    const std::vector<uint8_t> got = pty.Read(2 * kFrame * kFrames);
    a.join();
    b.join();
    ASSERT_EQ(got.size(), 2 * kFrame * kFrames);
    size_t next[2] = {0, 0};
    for (size_t at = 0; at < got.size(); at += kFrame) {
        const uint8_t tag = got[at + 1];
        ASSERT_TRUE(tag == 0xA1 || tag == 0xB2) << "frame at " << at << " starts inside another";
        for (size_t k = 1; k < kFrame; ++k)
            ASSERT_EQ(got[at + k], tag) << "frame at " << at << " cut at " << k;
        size_t& expected = next[tag == 0xB2];
        EXPECT_EQ(got[at], static_cast<uint8_t>(expected)) << "out of order at " << at;
        ++expected;
    }
    EXPECT_TRUE(Errors().empty());
}
