// The plain parts of the transfers: the speed figure, the code page of a locale, the encoding of
// device paths and the reading of whole files.
#include "transfer/ansi_code_page.h"
#include "transfer/image_fit.h"
#include "transfer/speed_figure.h"
#include "transfer/whole_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The address and thread sanitizers reserve terabytes of address space for their shadow memory,
// so under an address-space limit their own mappings fail before the read is reached.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceLimitWorks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kAddressSpaceLimitWorks = false;
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif

}  // namespace

TEST(SpeedFigure, BytesPerSecondRoundedHalfToEvenOverUnsignedMilliseconds)
{
    struct Case {
        int64_t position;
        uint32_t now, start;
        int64_t expected;
    } cases[] = {
        {250, 100, 100, 250000},                                  // within the same millisecond: 1 ms
        {1, 1999, 0, 0},                                          // 0.5 rounds to 0
        {3, 1999, 0, 2},                                          // 1.5 rounds to 2
        {5, 1999, 0, 2},                                          // 2.5 rounds to 2
        {1000, 9, 0, 100000},    {1024, 1, 0xFFFFFFFFu, 341333},  // the tick wrapped: 3 ms
        {0, 500, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(speedFigure(c.position, c.now, c.start), c.expected) << c.position << " bytes, " << c.now << " - " << c.start;
}

TEST(AnsiCodePage, FollowsTheLanguageOfTheLocale)
{
    const std::pair<const char*, int> cases[] = {
        {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251}, {"be_BY.UTF-8", 1251}, {"bg_BG", 1251}, {"sr_RS@latin", 1251}, {"mk_MK", 1251},
        {"cs_CZ.UTF-8", 1250}, {"pl_PL", 1250}, {"hu_HU", 1250},       {"sl_SI", 1250}, {"el_GR.UTF-8", 1253}, {"tr_TR", 1254},
        {"en_US.UTF-8", 1252}, {"de_DE", 1252}, {"C", 1252},           {"POSIX", 1252}, {"C.UTF-8", 1252},     {"", 1252},
        {"rus", 1252},
    };
    for (auto [locale, codePage] : cases)
        EXPECT_EQ(ansiCodePageForLocale(locale), codePage) << locale;
}

TEST(AnsiCodePage, EncodesWhatTheCodePageHoldsAndRefusesTheRest)
{
    const QString cyrillic = QStringLiteral("/str/Привет.txt");
    const auto in1251 = encodeInCodePage(cyrillic, 1251);
    ASSERT_TRUE(in1251.has_value());
    EXPECT_EQ(*in1251, std::string("/str/\xCF\xF0\xE8\xE2\xE5\xF2.txt"));
    EXPECT_FALSE(encodeInCodePage(cyrillic, 1252).has_value());

    EXPECT_EQ(encodeInCodePage(QStringLiteral("/a.txt"), 1252), std::string("/a.txt"));
    EXPECT_EQ(encodeInCodePage(QStringLiteral("café€"), 1252), std::string("caf\xE9\x80"));
    EXPECT_EQ(encodeInCodePage(QString(), 1252), std::string());
    EXPECT_FALSE(encodeInCodePage(QStringLiteral("日本"), 1252).has_value());
}

TEST(WholeFile, ReadsTheFileOrSaysWhyNot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString present = dir.filePath(QStringLiteral("present.bin"));
    {
        QFile f(present);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("abc", 3);
    }
    const WholeFile read = readWholeFile(present);
    EXPECT_EQ(read.outcome, WholeFile::Outcome::Read);
    EXPECT_EQ(read.bytes, (std::vector<uint8_t>{'a', 'b', 'c'}));

    EXPECT_EQ(readWholeFile(dir.filePath(QStringLiteral("absent"))).outcome, WholeFile::Outcome::Missing);
    EXPECT_FALSE(fileExists(dir.filePath(QStringLiteral("absent"))));
    EXPECT_FALSE(fileExists(dir.path()));  // a folder is not a file to send
    EXPECT_TRUE(fileExists(present));

    // A file whose reading fails (the process's own memory at address 0 gives an I/O error,
    // also for root, who may read any file that only its permissions protect).
    const QString unreadable = dir.filePath(QStringLiteral("unreadable.bin"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), unreadable));
    EXPECT_TRUE(fileExists(unreadable));
    EXPECT_EQ(readWholeFile(unreadable).outcome, WholeFile::Outcome::Unreadable);

    // A pipe: opening it would wait for a writer, so it is refused without being opened.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(readWholeFile(pipe).outcome, WholeFile::Outcome::Unreadable);
}

TEST(WholeFile, RefusesAFileBeyondTheProgressBarsRangeBeforeReadingIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A sparse file: 2 GiB takes no room on the disk, and reading it would take seconds and 2 GiB
    // of memory, so a quick answer shows that nothing was read.
    const QString huge = dir.filePath(QStringLiteral("huge.img"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kLargestTransferFile + 1));
    }
    const WholeFile tooLarge = readWholeFile(huge);
    EXPECT_EQ(tooLarge.outcome, WholeFile::Outcome::TooLarge);
    EXPECT_TRUE(tooLarge.bytes.empty());
}

TEST(WholeFile, MemoryThatIsNotThereIsThatFilesErrorNotTheEndOfTheProgram)
{
    if (!kAddressSpaceLimitWorks)
        GTEST_SKIP() << "an address-space limit cannot be set under a sanitizer";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("big.img"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(int64_t{1} << 30));  // sparse
    }
    // A child process under a 512 MiB address-space limit reads the 1 GiB file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{512u << 20, 512u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        try {
            const WholeFile file = readWholeFile(path);
            const bool told =
                file.outcome == WholeFile::Outcome::Unreadable && file.reason == QStringLiteral("not enough memory");
            ::_exit(told ? 0 : 1);
        } catch (...) {
            ::_exit(2);  // the error escaped the read: it would end the protocol loop
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the read ended the process";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ImageFit, AnImageLargerThanItsDiskOrNamedForAnotherSlotIsNamedBeforeItGoes)
{
    struct Case {
        int slot;
        const char* name;
        int64_t size;
        std::optional<unsigned> diskMb;
        const char* concern;  // nullptr: none
    } cases[] = {
        {0, "sys.imz", 10 * 1048576, 10u, nullptr},  // exactly the disk's size
        {0, "sys.imz", 10 * 1048576 + 1, 10u,
         "sys.imz has 10485761 bytes; the display reported 10 Mb (10485760 bytes) for \"1. sys.imz\"."},
        {0, "logos.imz", 100, 10u, "logos.imz is the default name of slot \"8. logos.imz\", not of \"1. sys.imz\"."},
        {7, "LOGOS.IMZ", 100, std::nullopt, nullptr},
        {5, "big.imz", int64_t{1} << 31, std::nullopt, nullptr},  // no size reported: only the name counts
        {1, "sys.imz", 20 * 1048576, 10u,
         "sys.imz has 20971520 bytes; the display reported 10 Mb (10485760 bytes) for \"2. diask1.imz\". "
         "sys.imz is the default name of slot \"1. sys.imz\", not of \"2. diask1.imz\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QString> concern = imageFitConcern({c.slot, QString::fromLatin1(c.name), c.size, c.diskMb});
        if (c.concern)
            EXPECT_EQ(concern.value_or(QString()), QString::fromUtf8(c.concern));
        else
            EXPECT_FALSE(concern.has_value()) << concern->toStdString();
    }
}
