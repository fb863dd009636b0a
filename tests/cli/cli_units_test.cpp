// The plain parts of the command line: options, the trace's frame cutting, the progress bar.
#include "cli/cli_options.h"
#include "cli/progress_bar.h"
#include "cli/transfer_results.h"
#include "protocol/frame_trace.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(CliOptions, BadArgumentsAreUsageErrorsThatSayWhy)
{
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{}, "no command given"},
        {{"upload"}, "unknown command 'upload'"},
        {{"info", "--link", "serial"}, "--link takes uart, bluetooth or wifi"},
        {{"info", "--timeout", "0"}, "--timeout takes whole seconds"},
        {{"info", "--to", "/x/"}, "--to does not apply to 'info'"},
        {{"sd-upload", "dir", "--to", "logos"}, "--to takes an SD folder"},
        {{"sd-upload", "dir", "--codepage", "866"}, "--codepage takes 1250 to 1254"},
        {{"flash", "sys.imz"}, "'flash' needs --slot 1 to 8"},
        {{"flash", "--slot", "9", "sys.imz"}, "--slot takes 1 to 8"},
        {{"send"}, "'send' needs at least one command name"},
        {{"info", "--port"}, "--port needs a value"},
        {{"ports", "extra"}, "'ports' takes no arguments"},
        {{"backup"}, "'backup' takes one settings file"},
        {{"compare", "a.json", "b.json"}, "'compare' takes one settings file"},
        {{"backup", "--write-serial", "a.json"}, "--write-serial applies to 'restore' only"},
        {{"compare", "a.json", "--keep-serial"}, "--keep-serial applies to 'restore' only"},
        {{"restore", "--keep-serial", "--write-serial", "a.json"}, "exclude each other"},
    };
    for (const auto& c : cases)
        EXPECT_NE(parseCliOptions(c.args).error.find(c.error), std::string::npos)
            << "for " << (c.args.empty() ? "" : c.args[0]) << ": " << parseCliOptions(c.args).error;
}

TEST(CliOptions, ValuesReachTheirFields)
{
    const CliOptions o =
        parseCliOptions({"flash", "--slot=8", "--port", "/dev/ttyUSB0", "--link", "wifi", "--timeout", "3", "-y", "logos.imz"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.command, "flash");
    EXPECT_EQ(o.arguments, std::vector<std::string>{"logos.imz"});
    EXPECT_EQ(o.slot, 8);
    EXPECT_EQ(o.port, "/dev/ttyUSB0");
    EXPECT_EQ(o.linkIndex, 2);
    EXPECT_EQ(o.timeoutMs, 3000);
    EXPECT_TRUE(o.yes);
    EXPECT_EQ(parseCliOptions({"restore", "a.json"}).serialChoice, 0);
    EXPECT_EQ(parseCliOptions({"restore", "--write-serial", "a.json"}).serialChoice, 2);
    EXPECT_EQ(parseCliOptions({"--keep-serial", "restore", "a.json"}).serialChoice, 1);
    for (const char* command : {"ports", "info", "send", "sd-upload", "flash", "backup", "compare", "restore"})
        EXPECT_NE(commandHelp(command).find("Examples:"), std::string::npos) << command;
}

TEST(FrameTrace, BytesSentInPiecesAreCutIntoWholeNamedFrames)
{
    const struct {
        Bytes bytes;
        std::vector<std::string> names;
    } cases[] = {
        {{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67, 0xA6, 0x01, 0x20}, {"hello", "size query"}},
        {{0xA6, 0x02, 0x32, 0x46, 0xAE, 0x00, 0x55}, {"command Brightness", "goodbye"}},
        // the transmission frame says 14 bytes follow and carries 13
        {Bytes{0xA6, 0x0E, 0x23, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xA6, 0x01, 0x1A}, {"command Save", "command Reboot"}},
        {{0xAA, 0x03, '/', 'a', 'b', 0xAB, 0x01, 0x55, 0xAC, 0x00}, {"SD open", "SD block", "SD close"}},
        {{0xA6, 0x01, 0x34, 0xA6, 0x01, 0x33}, {"command kl 15", "command kl 15"}},
        {{0x00, 0xA3, 0x01, 0x07}, {"unknown", "flash open"}},
    };
    for (const auto& c : cases) {
        FrameTrace trace;
        for (uint8_t b : c.bytes)  // one SendChar at a time
            trace.record(TraceDirection::ToDisplay, std::span(&b, 1), 0);
        std::vector<std::string> names;
        for (const TraceEntry& e : trace.entries())
            names.push_back(e.name);
        EXPECT_EQ(names, c.names);
    }
    OutgoingFrameSplitter splitter;
    Bytes flash(1026, 0);
    flash[0] = 0xA4;
    EXPECT_TRUE(splitter.feed(std::span(flash).first(1025)).empty());
    EXPECT_EQ(splitter.feed(std::span(flash).last(1)).size(), 1u);
}

TEST(FrameTrace, TheRingKeepsTheNewestEntries)
{
    FrameTrace trace(2);
    for (uint8_t b : {0x01, 0x02, 0x03})
        trace.record(TraceDirection::FromDisplay, std::span(&b, 1), b);
    const auto entries = trace.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].bytes, Bytes{0x02});
    EXPECT_EQ(formatTraceEntry(entries[1]), "[     0.003] <- 03  reply");
}

TEST(FrameTrace, ClearingForgetsAFrameCutOffHalfway)
{
    FrameTrace trace;
    const Bytes half{0xA6, 0x01};
    trace.record(TraceDirection::ToDisplay, half, 0);
    trace.clear();
    const Bytes hello{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67};
    trace.record(TraceDirection::ToDisplay, hello, 1);
    const auto entries = trace.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "hello");
    EXPECT_EQ(entries[0].bytes, hello);
}

TEST(ProgressBar, RedrawsAtMostTenTimesASecondButAlwaysShowsTheEnd)
{
    std::string screen;
    ProgressBar bar([&](const std::string& s) { screen += s; });
    for (uint64_t ms = 0; ms < 1000; ms += 5)
        bar.update("a.bin", static_cast<int64_t>(ms), 1000, 500, ms);
    EXPECT_EQ(bar.redraws(), 10);
    bar.update("a.bin", 1000, 1000, 500, 1001);
    EXPECT_EQ(bar.redraws(), 11);
    EXPECT_NE(screen.rfind("a.bin [########################] 100% 1000/1000 B 500 B/s 0:00 left"), std::string::npos);
    EXPECT_EQ(ProgressBar::render("b", 250, 1000, 250).substr(0, 40), "b [######------------------]  25% 250/10");
}

}  // namespace

TEST(ResultLines, EachFileGetsOneLineOnceItsResultIsFinal)
{
    using O = FileResult::Outcome;
    std::string out;
    ResultLines lines([&out](const std::string& line) { out += line; });
    auto result = [](O outcome, int64_t sent = 0, int block = 0) {
        FileResult r;
        r.outcome = outcome;
        r.bytesSent = sent;
        r.block = block;
        return r;
    };
    const struct {
        int row;
        FileResult result;
        const char* adds;
    } steps[] = {
        {0, result(O::Sending, 250), ""},
        {0, result(O::Written, 500), "/a.bin\twritten\n"},
        {0, result(O::Written, 500), ""},    // the same row again: no second line
        {1, result(O::WaitingForFile), ""},  // the file may yet come
        {1, result(O::LineLost, 750), "/b.bin\tline lost at byte 750\n"},
        {2, result(O::SumError, 0, 3), "/c.bin\tsum error at block 3\n"},
        {3, result(O::NotSent), "/d.bin\tnot sent\n"},
    };
    const char* names[] = {"/a.bin", "/b.bin", "/c.bin", "/d.bin"};
    for (const auto& s : steps) {
        const std::string before = out;
        lines.offer(s.row, QString::fromLatin1(names[s.row]), s.result);
        EXPECT_EQ(out.substr(before.size()), s.adds) << s.row << " " << s.result.outcomeText().toStdString();
    }
}
