// The rest of the public interface: reads without waiting, waits with a bound, sending ahead,
// the terminal echo, indicators, the data processor and opening after the form has loaded.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

#include "comm_fixture.h"
#include "serial/nr_data_processor.h"

namespace {

using CommExtras = OpenPtyComm;

TEST_F(CommExtras, ReadsWithoutWaitingTakeWhatHasArrived)
{
    pty.Write("abcdef");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 6; }));
    char buf[8] = {};
    EXPECT_EQ(comm->ReadMax(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "ab");
    EXPECT_EQ(comm->ReadString(), "cdef");
    EXPECT_EQ(comm->ReadAll(buf), 0u);
    EXPECT_EQ(comm->ReadMax(buf, 4), 0);
}

TEST_F(CommExtras, WaitForBytesEndsWhenTheCountIsReachedOrTheTimePasses)
{
    pty.Write("xyz");
    EXPECT_TRUE(comm->WaitForBytes(3, 2000));
    EXPECT_FALSE(comm->WaitForBytes(10, 50));
    EXPECT_EQ(comm->TraceStates(), TTraceStates{}) << "the trace states come back";
    comm->SetActive(false);
    EXPECT_FALSE(comm->WaitForBytes(1, 2000)) << "false at once when closed";
}

TEST_F(CommExtras, SendAheadCharIsCounted)
{
    comm->SendAheadChar(u'!');
    EXPECT_EQ(pty.Read(1), std::vector<uint8_t>{'!'});
    EXPECT_EQ(comm->TotalSent(), 1u);
    comm->FlushOutputBuffer();
}

TEST_F(CommExtras, TheTerminalShowsReceivedTextAndSendsWhatIsTyped)
{
    comm->SetActive(false);
    QPlainTextEdit terminal;
    comm->SetTerminal(&terminal);
    comm->SetTerminalUsage(tuBoth);
    comm->SetActive(true);
    pty.Write("Hello");
    EXPECT_TRUE(WaitUntil([&] { return terminal.toPlainText() == "Hello"; }));
    EXPECT_EQ(comm->ReadyForRead(), 0u) << "the terminal consumes the bytes";

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(&terminal, &key);
    EXPECT_EQ(pty.Read(1), std::vector<uint8_t>{'a'});
    EXPECT_EQ(terminal.toPlainText(), "Hello") << "without echo the typed key is not shown";
    comm->SetTerminal(nullptr);
}

TEST_F(CommExtras, IndicatorsAreControlsWithACheckedProperty)
{
    QCheckBox cts, dsr;
    QLabel notAnIndicator;
    cts.setChecked(true);
    dsr.setChecked(true);
    comm->SetMonitorCTS(&cts);
    comm->SetMonitorDSR(&dsr);
    comm->SetMonitorRLSD(&notAnIndicator);
    comm->SetStateRTS(true);  // reports [tsCTS]; a pseudo-terminal has no modem lines to show
    EXPECT_TRUE(WaitUntil([&] { return !cts.isChecked() && !dsr.isChecked(); }));
    comm->SetMonitorCTS(nullptr);
    comm->SetMonitorDSR(nullptr);
    comm->SetMonitorRLSD(nullptr);
}

class CountingProcessor : public TnrCustomDataProcessor {
public:
    void DoProcessing(const void* Buffer, uint32_t Len, uint32_t& Flags) override
    {
        std::lock_guard<std::mutex> guard(lock);
        data.append(static_cast<const char*>(Buffer), Len);
        Flags |= 1;  // keeps the block from the terminal
    }
    bool DoAfterSendComplete() override { return true; }
    std::string Data()
    {
        std::lock_guard<std::mutex> guard(lock);
        return data;
    }
    std::mutex lock;
    std::string data;
};

TEST_F(CommExtras, ADataProcessorGetsEveryBlockAndMayKeepItFromTheTerminal)
{
    comm->SetActive(false);
    CountingProcessor processor;
    QPlainTextEdit terminal;
    comm->SetTerminal(&terminal);
    processor.SetDevice(comm.get());
    EXPECT_TRUE(comm->DoSentComplete());
    comm->SetActive(true);
    pty.Write("data");
    EXPECT_TRUE(WaitUntil([&] { return processor.Data() == "data"; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(terminal.toPlainText(), "");
    comm->SetActive(false);
    processor.SetDevice(nullptr);
    comm->SetTerminal(nullptr);
    EXPECT_EQ(comm->DataProcessor(), nullptr);
}

TEST(CommLoading, WhileTheFormLoadsActiveIsOnlyStored)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    comm->SetLoading(true);
    comm->SetActive(true);
    EXPECT_TRUE(comm->Active()) << "the stored value";
    EXPECT_FALSE(comm->IsDeviceOpen());
    comm->Loaded();
    EXPECT_TRUE(comm->IsDeviceOpen()) << "applied when loading ends";
}

TEST(CommLoading, AFailedOpeningAfterLoadingShowsError)
{
    TnrComm comm;
    comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{}, "/nonexistent"));
    std::vector<std::string> boxes;
    comm.SetErrorBox([&](const std::string& text) { boxes.push_back(text); });
    comm.SetLoading(true);
    comm.SetActive(true);
    comm.Loaded();
    EXPECT_EQ(boxes, std::vector<std::string>{"error"});
    EXPECT_FALSE(comm.Active());
}

}  // namespace
