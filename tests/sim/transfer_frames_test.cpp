// The display's side of the file transfers: SD card uploads and flash image slots, their
// acknowledgements and sums, where the files land, and the faults that strike them.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "sim/display_simulator.h"
#include "tests/support/runtime_dir_guard.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const Bytes kSizeQuery{0xA6, 0x01, 0x20};
const Bytes kSizeReply{0x20, 0, 10, 10, 0, 64};

Bytes joined(const std::vector<OutputStep>& steps)
{
    Bytes all;
    for (const OutputStep& s : steps)
        all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

Bytes pattern(std::size_t n, unsigned seed)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>((i * 7 + seed * 31 + i / 251) & 0xFF);
    return b;
}

std::uint8_t sum8(const Bytes& b, std::size_t from = 0, std::size_t n = SIZE_MAX)
{
    const std::size_t end = std::min(b.size(), n == SIZE_MAX ? b.size() : from + n);
    return static_cast<std::uint8_t>(
        std::accumulate(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(end), 0u));
}

Bytes sdOpen(const Bytes& name)
{
    Bytes f{0xAA, static_cast<std::uint8_t>(name.size())};
    f.insert(f.end(), name.begin(), name.end());
    return f;
}
Bytes sdOpen(const std::string& name) { return sdOpen(Bytes(name.begin(), name.end())); }

Bytes sdBlock(const Bytes& data, std::size_t from, std::size_t n)
{
    Bytes f{0xAB, static_cast<std::uint8_t>(n)};
    f.insert(f.end(), data.begin() + static_cast<std::ptrdiff_t>(from), data.begin() + static_cast<std::ptrdiff_t>(from + n));
    return f;
}

const Bytes kSdClose{0xAC, 0x00};

Bytes flashBlock(const Bytes& block1024)
{
    Bytes f{0xA4, 0x00};
    f.insert(f.end(), block1024.begin(), block1024.end());
    return f;
}

class TransferFramesTest : public ::testing::Test {
protected:
    SimulatorOptions options(int codePage = 1252) const
    {
        SimulatorOptions o;
        o.storage.sdFolder = folder / "sd";
        o.storage.flashFolder = folder / "flash";
        o.storage.codePage = codePage;
        return o;
    }

    // Sends a whole file the way the shell does and returns every answer, in order.
    static Bytes uploadSd(DisplaySimulator& sim, const std::string& path, const Bytes& data)
    {
        Bytes answers = joined(sim.feed(sdOpen(path)));
        std::size_t pos = 0;
        do {
            const std::size_t n = std::min<std::size_t>(250, data.size() - pos);
            const Bytes a = joined(sim.feed(sdBlock(data, pos, n)));
            answers.insert(answers.end(), a.begin(), a.end());
            pos += n;
        } while (pos < data.size());
        const Bytes c = joined(sim.feed(kSdClose));
        answers.insert(answers.end(), c.begin(), c.end());
        return answers;
    }

    static Bytes expectedSdAnswers(const Bytes& data)
    {
        Bytes a{0xAA, 0x00};
        std::size_t pos = 0;
        do {
            const std::size_t n = std::min<std::size_t>(250, data.size() - pos);
            a.push_back(0xAB);
            a.push_back(sum8(data, pos, n));
            pos += n;
        } while (pos < data.size());
        a.push_back(0xAC);
        a.push_back(0x00);
        return a;
    }

    RuntimeDirGuard runtimeDir;
    fs::path folder = fs::path(runtimeDir.path());
};

TEST_F(TransferFramesTest, SdFilesArriveByteExactAndEveryBlockIsAnsweredWithItsSum)
{
    DisplaySimulator sim(options());
    const std::vector<std::size_t> sizes{0, 1, 250, 251, 1000, 100000};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(sizes[i]);
        const Bytes data = pattern(sizes[i], static_cast<unsigned>(i));
        const std::string name = "/f" + std::to_string(sizes[i]) + ".bin";
        EXPECT_EQ(uploadSd(sim, name, data), expectedSdAnswers(data));
        EXPECT_EQ(readStoredFile(folder / "sd" / ("f" + std::to_string(sizes[i]) + ".bin")), data);
        const TransferRecord t = sim.transfers().back();
        EXPECT_EQ(t.kind, TransferKind::Sd);
        EXPECT_EQ(t.file, static_cast<int>(i) + 1);
        EXPECT_EQ(t.devicePath, name);
        EXPECT_EQ(t.storedAt, folder / "sd" / name.substr(1));
        EXPECT_EQ(t.bytes, data.size());
        EXPECT_EQ(t.blocks, static_cast<int>(std::max<std::size_t>(1, (data.size() + 249) / 250)));
        EXPECT_TRUE(t.closed);
        EXPECT_TRUE(t.error.empty()) << t.error;
    }
}

TEST_F(TransferFramesTest, ABlockOfAbcIsAnsweredWith26AndFramesInPiecesCountTheSame)
{
    DisplaySimulator sim(options());
    Bytes all = sdOpen("/a.txt");
    const Bytes block{0xAB, 0x03, 'a', 'b', 'c'};
    all.insert(all.end(), block.begin(), block.end());
    all.insert(all.end(), kSdClose.begin(), kSdClose.end());
    Bytes answers;
    for (std::uint8_t b : all) {  // one byte at a time, as a slow line delivers them
        const Bytes a = joined(sim.feed(Bytes{b}));
        answers.insert(answers.end(), a.begin(), a.end());
    }
    EXPECT_EQ(answers, (Bytes{0xAA, 0x00, 0xAB, 0x26, 0xAC, 0x00}));
    EXPECT_EQ(readStoredFile(folder / "sd" / "a.txt"), (Bytes{'a', 'b', 'c'}));

    const std::vector<FrameRecord> log = sim.log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].kind, FrameKind::SdOpen);
    EXPECT_EQ(log[0].name, "SD open");
    EXPECT_EQ(log[1].kind, FrameKind::SdBlock);
    EXPECT_EQ(log[1].raw, block);
    EXPECT_EQ(log[1].transferFile, 1);
    EXPECT_EQ(log[1].block, 1);
    EXPECT_NE(log[1].detail.find("sum 26"), std::string::npos) << log[1].detail;
    EXPECT_EQ(log[2].kind, FrameKind::SdClose);
    EXPECT_EQ(sim.frameCount(), 3u);
}

struct SdName {
    Bytes raw;
    int codePage;
    const char* storedAs;  // under the SD folder, UTF-8; null: refused
};

TEST_F(TransferFramesTest, NamesAreDecodedFromTheCodePageAndPlacedUnderTheSdFolder)
{
    const std::vector<SdName> cases{
        {{'/', 0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, '.', 't', 'x', 't'}, 1251, "Привет.txt"},
        {{'/', 0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, '.', 't', 'x', 't'}, 1252, "Ïðèâåò.txt"},
        {{'/', 'c', 'a', 'f', 0xE9, '.', 't', 'x', 't'}, 1252, "café.txt"},
        {{'/', '3', 'D', '/', 'a', '.', 't', 'x', 't'}, 1252, "3D/a.txt"},
        {{'a', 'b', 'c', 'a', '.', 't', 'x', 't'}, 1252, "abca.txt"},
        {{'/', 0x98, '.', 't', 'x', 't'}, 1251, nullptr},  // no character at 0x98 in 1251
        {{'/', 0x81, '.', 't', 'x', 't'}, 1252, nullptr},  // nor at 0x81 in 1252
        {{'/', '.', '.', '/', 'x'}, 1252, nullptr},        // would leave the SD folder
        {{'/', '3', 'D', '/'}, 1252, nullptr},             // a folder, not a file
        {{}, 1252, nullptr},
    };
    for (const SdName& c : cases) {
        SCOPED_TRACE(std::string(c.raw.begin(), c.raw.end()) + " in " + std::to_string(c.codePage));
        DisplaySimulator sim(options(c.codePage));
        Bytes answers = joined(sim.feed(sdOpen(c.raw)));
        const Bytes b = joined(sim.feed(Bytes{0xAB, 0x01, 'x'}));
        answers.insert(answers.end(), b.begin(), b.end());
        const TransferRecord t = sim.transfers().back();
        EXPECT_EQ(t.rawName, c.raw);
        if (c.storedAs) {
            EXPECT_EQ(answers, (Bytes{0xAA, 0x00, 0xAB, 'x'}));
            EXPECT_TRUE(t.error.empty()) << t.error;
            EXPECT_EQ(t.storedAt, folder / "sd" / c.storedAs);
            EXPECT_EQ(readStoredFile(folder / "sd" / c.storedAs), Bytes{'x'});
        } else {
            // Refused, yet its blocks are still summed: the shell only learns of it from the open answer.
            EXPECT_EQ(answers, (Bytes{0xAA, 0xFF, 0xAB, 'x'}));
            EXPECT_FALSE(t.error.empty());
            EXPECT_TRUE(t.storedAt.empty());
        }
        EXPECT_FALSE(fs::exists(folder / "x"));
    }
}

TEST_F(TransferFramesTest, FlashImagesFillTheirSlotFilesBlockByBlock)
{
    DisplaySimulator sim(options());
    EXPECT_EQ(joined(sim.feed(Bytes{0xA3, 0x01, 0x03})), (Bytes{0xA3, 0x00}));
    const Bytes image = pattern(3072, 5);
    for (std::size_t k = 0; k < 3; ++k) {
        const Bytes block(image.begin() + static_cast<std::ptrdiff_t>(k * 1024),
                          image.begin() + static_cast<std::ptrdiff_t>((k + 1) * 1024));
        EXPECT_EQ(joined(sim.feed(flashBlock(block))), (Bytes{0xA4, sum8(block)}));
    }
    EXPECT_EQ(readStoredFile(folder / "flash" / "disk3.imz"), image);
    TransferRecord t = sim.transfers().back();
    EXPECT_EQ(t.kind, TransferKind::Flash);
    EXPECT_EQ(t.slot, 3);
    EXPECT_EQ(t.blocks, 3);
    EXPECT_EQ(t.bytes, 3072u);

    // A new load of the slot starts it afresh; other slots keep their files.
    EXPECT_EQ(joined(sim.feed(Bytes{0xA3, 0x01, 0x00})), (Bytes{0xA3, 0x00}));
    EXPECT_EQ(joined(sim.feed(flashBlock(Bytes(1024, 0x01)))), (Bytes{0xA4, 0x00}));
    EXPECT_EQ(joined(sim.feed(Bytes{0xA3, 0x01, 0x03})), (Bytes{0xA3, 0x00}));
    EXPECT_EQ(joined(sim.feed(flashBlock(Bytes(1024, 0x00)))), (Bytes{0xA4, 0x00}));
    EXPECT_EQ(readStoredFile(folder / "flash" / "disk3.imz"), Bytes(1024, 0x00));
    EXPECT_EQ(readStoredFile(folder / "flash" / "sys.imz"), Bytes(1024, 0x01));

    // There is no slot 8; the frame is logged as ill-formed and refused.
    EXPECT_EQ(joined(sim.feed(Bytes{0xA3, 0x01, 0x08})), (Bytes{0xA3, 0xFF}));
    EXPECT_FALSE(sim.log().back().wellFormed);
}

TEST_F(TransferFramesTest, StrayMarkersAreSkippedAsGarbage)
{
    DisplaySimulator sim(options());
    // 0xA3 not followed by 0x01, 0xA4 not followed by 0x00, 0xAC not followed by 0x00: garbage, one byte at a time.
    EXPECT_TRUE(joined(sim.feed(Bytes{0xA3, 0x05, 0xA4, 0x07, 0xAC, 0x09})).empty());
    EXPECT_EQ(sim.state().garbageBytes, 6);
    EXPECT_EQ(joined(sim.feed(kSizeQuery)), kSizeReply);
    EXPECT_TRUE(sim.transfers().empty());
}

TEST_F(TransferFramesTest, BlocksAfterAClosedFileAreSummedButNotStored)
{
    DisplaySimulator sim(options());
    uploadSd(sim, "/a", Bytes{1, 2});
    EXPECT_EQ(joined(sim.feed(Bytes{0xAB, 0x02, 5, 6})), (Bytes{0xAB, 11}));
    EXPECT_EQ(joined(sim.feed(kSdClose)), (Bytes{0xAC, 0xFF}));
    EXPECT_EQ(readStoredFile(folder / "sd" / "a"), (Bytes{1, 2}));
    EXPECT_EQ(sim.log().back().transferFile, 0);
}

TEST_F(TransferFramesTest, WithoutFoldersNothingIsWrittenButEveryFileIsCounted)
{
    SimulatorOptions o;
    DisplaySimulator sim(o);
    EXPECT_EQ(uploadSd(sim, "/a.txt", pattern(600, 1)), expectedSdAnswers(pattern(600, 1)));
    const TransferRecord t = sim.transfers().back();
    EXPECT_TRUE(t.storedAt.empty());
    EXPECT_EQ(t.bytes, 600u);
    EXPECT_TRUE(t.closed);
}

// Three SD files of three blocks each, then one flash image of two blocks.
struct Upload {
    Bytes answers;
    std::vector<TransferRecord> transfers;
};

Upload uploadBatch(DisplaySimulator& sim)
{
    Upload u;
    auto feed = [&](const Bytes& frame) {
        const Bytes a = joined(sim.feed(frame));
        u.answers.insert(u.answers.end(), a.begin(), a.end());
    };
    feed(kSizeQuery);
    for (int f = 1; f <= 3; ++f) {
        const Bytes data = pattern(700, static_cast<unsigned>(f));
        feed(sdOpen("/f" + std::to_string(f)));
        for (std::size_t pos = 0; pos < data.size(); pos += 250)
            feed(sdBlock(data, pos, std::min<std::size_t>(250, data.size() - pos)));
        feed(kSdClose);
    }
    feed(Bytes{0xA3, 0x01, 0x02});
    feed(flashBlock(Bytes(1024, 0x10)));
    feed(flashBlock(Bytes(1024, 0x20)));
    u.transfers = sim.transfers();
    return u;
}

TEST_F(TransferFramesTest, AWrongSumStrikesExactlyTheChosenBlock)
{
    FailureSettings f;
    f.enable(FailureMode::WrongSum).at(2, 3);
    SimulatorOptions o = options();
    o.failures = f;
    DisplaySimulator sim(o);
    const Upload u = uploadBatch(sim);

    DisplaySimulator clean(options());
    Bytes expected = uploadBatch(clean).answers;
    // Answers: the size reply (6), then per SD file its open, 3 blocks and close (2 bytes each); the sum of
    // file 2's third block.
    const std::size_t at = 6 + 10 + 2 + 2 * 2 + 1;
    ++expected[at];
    EXPECT_EQ(u.answers, expected);
    ASSERT_EQ(u.transfers.size(), 4u);
    EXPECT_EQ(u.transfers[1].wrongSums, 1);
    EXPECT_EQ(u.transfers[0].wrongSums + u.transfers[2].wrongSums + u.transfers[3].wrongSums, 0);
    // The display stored what it received; only its answer is wrong.
    EXPECT_EQ(readStoredFile(folder / "sd" / "f2"), pattern(700, 2));
}

TEST_F(TransferFramesTest, TransferOnlyFaultsLeaveTheGreetingAlone)
{
    for (FailureMode mode : kAllFailureModes) {
        SCOPED_TRACE(std::string(failureModeName(mode)));
        FailureSettings f;
        f.enable(mode);
        f.target.transfersOnly = true;
        f.garbageBytes = 2;
        f.splitPieces = 2;
        f.replyDelay = 30ms;
        SimulatorOptions o;
        o.failures = f;
        DisplaySimulator sim(o);
        const std::vector<OutputStep> steps = sim.feed(kSizeQuery);
        ASSERT_EQ(steps.size(), 1u);
        EXPECT_EQ(steps[0].bytes, kSizeReply);
        EXPECT_EQ(steps[0].pauseBefore, 0ms);
        EXPECT_FALSE(steps[0].dropLine);
    }
}

TEST_F(TransferFramesTest, EveryModeAimedAtOneBlockShapesOnlyThatAnswer)
{
    for (FailureMode mode : kAllFailureModes) {
        SCOPED_TRACE(std::string(failureModeName(mode)));
        FailureSettings f;
        f.enable(mode).at(1, 2);
        f.garbageBytes = 3;
        f.splitPieces = 2;
        f.splitPause = 5ms;
        f.replyDelay = 40ms;
        SimulatorOptions o;
        o.failures = f;
        DisplaySimulator sim(o);
        const Bytes data = pattern(750, 3);
        ASSERT_EQ(joined(sim.feed(sdOpen("/x"))), (Bytes{0xAA, 0x00}));
        ASSERT_EQ(joined(sim.feed(sdBlock(data, 0, 250))), (Bytes{0xAB, sum8(data, 0, 250)}));
        const std::vector<OutputStep> steps = sim.feed(sdBlock(data, 250, 250));
        const Bytes right{0xAB, sum8(data, 250, 250)};
        switch (mode) {
        case FailureMode::SplitReplies:
            ASSERT_EQ(steps.size(), 2u);
            EXPECT_EQ(steps[1].pauseBefore, 5ms);
            EXPECT_EQ(joined(steps), right);
            break;
        case FailureMode::DelayReplies:
            ASSERT_EQ(steps.size(), 1u);
            EXPECT_EQ(steps[0].pauseBefore, 40ms);
            EXPECT_EQ(steps[0].bytes, right);
            break;
        case FailureMode::Silent:
            EXPECT_TRUE(steps.empty());
            break;
        case FailureMode::GarbageBeforeReply: {
            const Bytes all = joined(steps);
            ASSERT_EQ(all.size(), 5u);
            EXPECT_EQ(Bytes(all.begin() + 3, all.end()), right);
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_NE(all[i], 0xAB);
            break;
        }
        case FailureMode::DropLine:
            ASSERT_EQ(steps.size(), 2u);
            EXPECT_EQ(steps[0].bytes, right);  // answered, then the line goes
            EXPECT_TRUE(steps[1].dropLine);
            break;
        case FailureMode::WrongSum:
            EXPECT_EQ(joined(steps), (Bytes{0xAB, static_cast<std::uint8_t>(right[1] + 1)}));
            break;
        }
        // The block after is answered plainly.
        EXPECT_EQ(joined(sim.feed(sdBlock(data, 500, 250))), (Bytes{0xAB, sum8(data, 500, 250)}));
    }
}

}  // namespace
