// File transfers through the real window, offscreen, over a pseudo-terminal to the simulator,
// which keeps its SD card and flash slots as files.
#include "tests/e2e/window_fixture.h"
#include "transfer/sd_upload.h"

#include "app/sd_file_controls.h"
#include "app/transfer_results_view.h"
#include "transfer/transfer_results.h"
#include "app/widgets/k_combo_box.h"
#include "sim/display_storage.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QApplication>
#include <QtTest/QTest>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A fresh folder per test for the simulator's SD card and flash slots.
fs::path freshRoot()
{
    std::string pattern = (fs::temp_directory_path() / "korvane-e2e-transfer-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

SimulatorOptions storageOptions(const fs::path& root, int codePage, const FailureSettings& failures)
{
    SimulatorOptions o = volumes({4, 4, 4, 4}, 32);
    o.storage.sdFolder = root / "sd";
    o.storage.flashFolder = root / "flash";
    o.storage.codePage = codePage;
    o.failures = failures;
    return o;
}

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + seed) & 0xFF);
    return bytes;
}

QByteArray bytesOf(const Bytes& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// Sets one environment variable for the life of the object.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value, 1);
    }
    ~EnvironmentValue()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class Transfer : public WindowOverPty {
protected:
    explicit Transfer(int codePage = 1252, FailureSettings failures = {}) : Transfer(freshRoot(), codePage, failures) {}
    Transfer(fs::path root, int codePage, FailureSettings failures)
        : WindowOverPty(storageOptions(root, codePage, failures)), root_(std::move(root))
    {}

    void SetUp() override
    {
        WindowOverPty::SetUp();
        ASSERT_TRUE(pcFolder.isValid());
        QObject::connect(&loop(), &ProtocolLoop::passDone, [this] {
            for (int p : {1, 6}) {
                auto& h = history[p];
                if (h.empty() || h.back() != panel(p))
                    h.push_back(panel(p));
            }
        });
    }
    void TearDown() override
    {
        WindowOverPty::TearDown();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    QByteArray writePcFile(const QString& name, qsizetype size, int seed = 1)
    {
        const QByteArray bytes = pattern(size, seed);
        QFile f(QDir(pcFolder.path()).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return bytes;
    }
    QByteArray sdFile(const QString& devicePath) const
    {
        return bytesOf(readStoredFile(root_ / "sd" / devicePath.mid(1).toStdString()));
    }
    QByteArray flashSlot(int slot) const
    {
        return bytesOf(readStoredFile(root_ / "flash" / std::string(kFlashSlotFiles[static_cast<size_t>(slot)])));
    }
    bool panel1Showed(const QString& text) const
    {
        const auto& h = history.at(1);
        return std::find(h.begin(), h.end(), text) != h.end();
    }
    // Opens the PC folder in the SD page's tree, as a user who clicks it.
    void openPcFolder() { window->cxTabSheet4->DirectoryListBox1->setFolder(pcFolder.path()); }
    // "..." of a slot, with the dialog answered by choosing that file.
    void chooseImage(int slot, const QString& path)
    {
        window->setFileDialogRunner([path](QFileDialog& d) {
            d.selectFile(path);
            return true;
        });
        window->TabSheet4->imagePicker[slot]->click();
    }
    bool idle() const { return loop().state() == 1000; }
    // Saves a picture of the window when the environment names a folder for it.
    void screenshot(const char* name)
    {
        const QImage shot = window->grab().toImage();
        EXPECT_FALSE(shot.isNull());
        if (const char* dir = std::getenv("KORVANE_SCREENSHOT_DIR"))
            shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name)));
    }

    fs::path root_;
    QTemporaryDir pcFolder;
    std::map<int, std::vector<QString>> history;
};

// ---------------------------------------------------------------- SD card

class SdTransfer : public Transfer {
protected:
    SdTransfer() : Transfer(1252, paused(6, 200)) {}
    // A pause of the display's answer to one block, long enough to look at the window mid-way.
    static FailureSettings paused(int file, int block)
    {
        FailureSettings f;
        f.enable(FailureMode::DelayReplies).at(file, block);
        f.replyDelay = std::chrono::milliseconds(300);
        return f;
    }
};

TEST_F(SdTransfer, AFolderOfFilesArrivesByteExactInTheSdFolder)
{
    std::map<QString, QByteArray> sent;
    // In name order, so the 100 000-byte file is the sixth, whose answer to block 200 is paused.
    const std::pair<const char*, qsizetype> files[] = {{"a0.bin", 0},     {"b1.bin", 1},       {"c250.bin", 250},
                                                       {"d251.bin", 251}, {"e1000.txt", 1000}, {"f100000.dat", 100000}};
    for (auto [name, size] : files)
        sent[QString::fromLatin1(name)] = writePcFile(QString::fromLatin1(name), size, static_cast<int>(size));
    QDir(pcFolder.path()).mkdir(QStringLiteral("params"));  // a folder is not a file to send

    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxPageControl1->setActivePage(window->cxTabSheet4);
            openPcFolder();
            window->cxTabSheet4->ComboBox2->setItemIndex(3);  // "/params/"
            press("Button7");
        });
    script.step(
        "half of the last file", [&] { return panel(2) == "50000"; },
        [&] {
            EXPECT_EQ(panel(1), "Loading file f100000.dat to SD...");
            EXPECT_EQ(window->ProgressBar1->maximum(), 100000);
            EXPECT_EQ(window->ProgressBar1->value(), 49750);
            EXPECT_FALSE(panel(3).isEmpty());
            screenshot("sd-file-manager-transfer.png");
        },
        15000);
    script.step(
        "batch over", [&] { return idle() && panel(1) == "Files is loaded to SD..."; }, [&] { press("Button2"); }, 15000);
    connectWith(script);

    EXPECT_EQ(window->cxTabSheet4->FileListBox1->entries(),
              (QStringList{"a0.bin", "b1.bin", "c250.bin", "d251.bin", "e1000.txt", "f100000.dat"}));
    for (const auto& [name, bytes] : sent)
        EXPECT_EQ(sdFile(QStringLiteral("/params/") + name), bytes) << name.toStdString();
    EXPECT_TRUE(panel1Showed("File /params/d251.bin written"));
    EXPECT_EQ(countFrames("SD close"), 6u);
    EXPECT_TRUE(errors.empty());
}

class SdNames : public Transfer {
protected:
    SdNames() : Transfer(1251, {}) {}
};

TEST_F(SdNames, ACyrillicNameArrivesUnderARussianLocaleAndIsAFileErrorUnderAnEnglishOne)
{
    const QString name = QStringLiteral("Привет.txt");
    const QByteArray bytes = writePcFile(name, 300);
    std::optional<EnvironmentValue> locale;
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            locale.emplace("LC_ALL", "ru_RU.UTF-8");
            openPcFolder();
            window->cxTabSheet4->ComboBox2->setItemIndex(7);  // "/str/"
            press("Button7");
        });
    script.step(
        "russian batch over", [&] { return idle() && panel(1) == "Files is loaded to SD..."; },
        [&] {
            locale.reset();
            locale.emplace("LC_ALL", "en_US.UTF-8");
            press("Button7");
        },
        10000);
    script.step(
        "english batch over",
        [&] {
            const auto& h = history[1];
            return idle() && h.size() >= 2 && h.back() == "Files is loaded to SD... 1 of 1 files failed"
                && h.end()[-2].endsWith(" error");
        },
        [&] { press("Button2"); }, 10000);
    connectWith(script);
    locale.reset();

    EXPECT_EQ(sdFile(QStringLiteral("/str/") + name), bytes);
    EXPECT_TRUE(panel1Showed("File /str/Привет.txt written"));
    EXPECT_EQ(history[1].end()[-2], "File /str/Привет.txt error");
    EXPECT_EQ(history[1].back(), "Files is loaded to SD... 1 of 1 files failed");
    EXPECT_EQ(countFrames("SD open"), 1u);  // nothing went for the name 1252 cannot write
}

class SdWrongSum : public Transfer {
protected:
    // 600 bytes go as 250 + 250 + 100: the wrong sum strikes the last block of the second file.
    SdWrongSum() : Transfer(1252, wrongSumAt(2, 3)) {}
    static FailureSettings wrongSumAt(int file, int block)
    {
        FailureSettings f;
        f.enable(FailureMode::WrongSum).at(file, block);
        return f;
    }
};

TEST_F(SdWrongSum, AWrongSumOnTheSecondFileIsAFileErrorAndTheBatchStillEnds)
{
    for (const char* name : {"one.bin", "two.bin", "three.bin"})
        writePcFile(QString::fromLatin1(name), 600);
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            openPcFolder();
            press("Button7");
        });
    script.step(
        "batch over", [&] { return idle() && panel(1) == "Files is loaded to SD... 1 of 3 files failed"; },
        [&] { press("Button2"); }, 10000);
    connectWith(script);
    EXPECT_EQ(window->StatusBar1->panelToolTip(1), "Not written: three.bin");
    // Sorted by name: one, three, two.
    EXPECT_TRUE(panel1Showed("File /one.bin written"));
    EXPECT_TRUE(panel1Showed("File /three.bin error"));
    EXPECT_TRUE(panel1Showed("File /two.bin written"));
    EXPECT_EQ(countFrames("SD close"), 2u);
}

TEST_F(SdWrongSum, ANameTheLocaleCannotDecodeIsListedAndReportedNotLeftBehind)
{
    writePcFile("a.bin", 10);
    writePcFile("z.bin", 10);
    // A name holding the bytes ff fe, which no UTF-8 decoder reads.
    const QByteArray raw = QFile::encodeName(pcFolder.path()) + "/m\xff\xfe.bin";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "0123456789", 10), 10);
    ::close(fd);
    const QString shown = QStringLiteral("m\uFFFD\uFFFD.bin");
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            openPcFolder();
            EXPECT_EQ(window->cxTabSheet4->FileListBox1->entries(), (QStringList{"a.bin", shown, "z.bin"}));
            press("Button7");
        });
    script.step(
        "batch over", [&] { return idle() && panel(1).startsWith("Files is loaded"); }, [&] { press("Button2"); }, 10000);
    connectWith(script);
    const TransferResults& r = window->sdUpload().results();
    ASSERT_EQ(r.count(), 3);
    EXPECT_EQ(r.at(1).name, shown);
    EXPECT_EQ(r.at(1).outcomeText(), "name not writable on the display");
    EXPECT_EQ(panel(1), "Files is loaded to SD... 1 of 3 files failed");
    EXPECT_EQ(countFrames("SD open"), 2u);  // nothing went for it
}

class SdLineDropped : public Transfer {
protected:
    SdLineDropped() : Transfer(1252, dropAfter(1, 5)) {}
    static FailureSettings dropAfter(int file, int block)
    {
        FailureSettings f;
        f.enable(FailureMode::DropLine).at(file, block);
        return f;
    }
};

TEST_F(SdLineDropped, ALineLostMidTransferLeavesTheWindowResponsiveThePortClosedAndNothingWritten)
{
    writePcFile(QStringLiteral("big.bin"), 20000);
    bool eventServed = false;
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            openPcFolder();
            press("Button7");
        });
    script.step(
        "loss shown", [&] { return panel(1).contains("lost"); }, [&] { EXPECT_FALSE(window->comm().Active()); }, 10000);
    // The window still serves its events: one posted now is handled within the script's bound.
    script.act("post", [&] { QTimer::singleShot(0, window.get(), [&] { eventServed = true; }); });
    script.step(
        "event served", [&] { return eventServed; }, [&] { press("Button2"); }, 2000);
    connectWith(script);

    EXPECT_EQ(panel(1), "Connection to COM3 lost. Press \"Connect\" to connect again.");
    for (const QString& text : history[1]) {
        EXPECT_FALSE(text.endsWith(" written")) << text.toStdString();
        EXPECT_NE(text, "Files is loaded to SD...");
    }
    EXPECT_FALSE(window->comm().Active());
    EXPECT_TRUE(errors.empty());
    const TransferResults& r = window->sdUpload().results();
    ASSERT_EQ(r.count(), 1);
    EXPECT_TRUE(r.at(0).outcomeText().startsWith("line lost at byte ")) << r.at(0).outcomeText().toStdString();
    EXPECT_FALSE(loop().job().running());
    EXPECT_TRUE(window->cxTabSheet4->Button7->isEnabled());
}

// ---------------------------------------------------------------- built-in flash

class FlashTransfer : public Transfer {
protected:
    FlashTransfer() : Transfer(1252, pausedBlock(4, 50)) {}
    static FailureSettings pausedBlock(int file, int block)
    {
        FailureSettings f;
        f.enable(FailureMode::DelayReplies).at(file, block);
        f.replyDelay = std::chrono::milliseconds(300);
        return f;
    }
};

TEST_F(FlashTransfer, ImagesArriveAsTheFileFollowedByZerosUpToAWholeBlock)
{
    struct Image {
        int slot;
        qsizetype size;
        qsizetype arrives;
    } images[] = {{0, 0, 1024}, {1, 2048, 2048}, {2, 2049, 3072}, {4, 100 * 1024, 100 * 1024}};
    std::vector<QByteArray> contents;
    for (const Image& i : images)
        contents.push_back(writePcFile(QStringLiteral("image%1.imz").arg(i.slot), i.size, i.slot + 5));

    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    for (const Image& i : images) {
        script.act("choose", [&, i] {
            chooseImage(i.slot, QDir(pcFolder.path()).filePath(QStringLiteral("image%1.imz").arg(i.slot)));
            EXPECT_TRUE(window->TabSheet4->imageSend[i.slot]->isEnabled());
            window->TabSheet4->imageSend[i.slot]->click();
        });
        if (i.slot == 4) {
            script.step(
                "half of the image", [&] { return panel(2) == "51200"; },
                [&] {
                    EXPECT_EQ(panel(1), "Loading file image4.imz to External Flash...");
                    EXPECT_EQ(window->ProgressBar1->value(), 50176);
                    screenshot("disk-image-loader-transfer.png");
                },
                10000);
        }
        script.step(
            "written", [&, i] { return idle() && panel(1) == QStringLiteral("File image%1.imz written").arg(i.slot); }, [] {},
            10000);
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    for (size_t k = 0; k < std::size(images); ++k) {
        QByteArray expected = contents[k];
        expected.append(QByteArray(images[k].arrives - images[k].size, '\0'));
        EXPECT_EQ(flashSlot(images[k].slot), expected) << "slot " << images[k].slot;
    }
    EXPECT_EQ(window->TabSheet4->imageFileBox[2]->text(), QDir(pcFolder.path()).filePath("image2.imz"));
    EXPECT_TRUE(errors.empty());
}

class FlashSlotThree : public Transfer {
protected:
    // The answer to the only block comes late and in two pieces: panel 6 shows the wait.
    FlashSlotThree() : Transfer(1252, slowPieces()) {}
    static FailureSettings slowPieces()
    {
        FailureSettings f;
        f.enable(FailureMode::DelayReplies).enable(FailureMode::SplitReplies).at(1, 1);
        f.replyDelay = std::chrono::milliseconds(200);
        f.splitPieces = 2;
        f.splitPause = std::chrono::milliseconds(200);
        return f;
    }
};

TEST_F(FlashSlotThree, Disk3SendsItsSlotNumberAndPanelSixCountsTheAnswer)
{
    const QString image = QDir(pcFolder.path()).filePath("disk3.imz");
    writePcFile("disk3.imz", 100);
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            chooseImage(3, image);
            press("BitBtn17");
        });
    script.step(
        "written", [&] { return idle() && panel(1) == "File disk3.imz written"; }, [&] { press("Button2"); }, 5000);
    connectWith(script);

    const auto log = frames();
    const auto open = std::find_if(log.begin(), log.end(), [](const FrameRecord& f) { return f.name == "flash open"; });
    ASSERT_NE(open, log.end());
    EXPECT_EQ(open->raw, (Bytes{0xA3, 0x01, 0x03}));
    EXPECT_EQ(history[6], (std::vector<QString>{"", "0", "1"}));
}

class FlashWrongFirstSum : public Transfer {
protected:
    FlashWrongFirstSum() : Transfer(1252, wrongFirst()) {}
    static FailureSettings wrongFirst()
    {
        FailureSettings f;
        f.enable(FailureMode::WrongSum).at(1, 1);
        return f;
    }
};

TEST_F(FlashWrongFirstSum, AWrongFirstSumEndsTheTransferAtOnce)
{
    const QString image = QDir(pcFolder.path()).filePath("sys.imz");
    writePcFile("sys.imz", 5000);
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            chooseImage(0, image);
            press("BitBtn11");
        });
    script.step(
        "error", [&] { return idle() && panel(1) == "File sys.imz error"; }, [] {}, 5000);
    // Nothing more goes after the error, however long one waits.
    script.step(
        "a while",
        [t = std::make_shared<QElapsedTimer>()] {
            if (!t->isValid())
                t->start();
            return t->elapsed() > 200;
        },
        [&] { press("Button2"); });
    connectWith(script);
    EXPECT_EQ(countFrames("flash block"), 1u);
}

// ---------------------------------------------------------------- an honest account, Stop, the stall notice

QStringList resultTexts(const TransferResults& results)
{
    QStringList texts;
    for (int i = 0; i < results.count(); ++i)
        texts << results.at(i).outcomeText();
    return texts;
}

class SdBatchOfFive : public Transfer {
protected:
    // The second file's second block is acknowledged with a wrong sum.
    SdBatchOfFive() : Transfer(1252, SdWrongSumAt(2, 2)) {}
    static FailureSettings SdWrongSumAt(int file, int block)
    {
        FailureSettings f;
        f.enable(FailureMode::WrongSum).at(file, block);
        return f;
    }
};

TEST_F(SdBatchOfFive, EveryFileHasItsResultStopEndsTheBatchAndSendFailedAgainSendsOnlyTheRest)
{
    std::map<QString, QByteArray> sent;
    for (auto [name, size] : {std::pair{"a.bin", 600}, {"b.bin", 600}, {"c.bin", 600}, {"e.bin", 400000}})
        sent[QString::fromLatin1(name)] = writePcFile(QString::fromLatin1(name), size, size % 251);
    // d.bin is there but cannot be read.
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), QDir(pcFolder.path()).filePath(QStringLiteral("d.bin"))));
    std::vector<Question> asked;
    window->setQuestionAsker([&](const Question& q, std::function<void()>) { asked.push_back(q); });

    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxPageControl1->setActivePage(window->cxTabSheet4);
            openPcFolder();
            EXPECT_FALSE(window->cxTabSheet4->sdStop->isEnabled());
            press("Button7");
        });
    script.step(
        "the last file under way", [&] { return panel(1) == "Loading file e.bin to SD..." && panel(2).toInt() >= 25000; },
        [&] {
            // Nothing that would abandon the batch can be pressed; Stop and Exit can.
            for (QAbstractButton* b : {static_cast<QAbstractButton*>(window->cxTabSheet4->BitBtn9),
                                       static_cast<QAbstractButton*>(window->Panel1->Button50),
                                       static_cast<QAbstractButton*>(window->cxTabSheet4->Button7),
                                       static_cast<QAbstractButton*>(window->Panel1->Button8)}) {
                EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
                EXPECT_EQ(b->toolTip(), "A transfer is running: Stop ends it");
            }
            EXPECT_TRUE(window->cxTabSheet4->sdStop->isEnabled());
            EXPECT_TRUE(window->Panel1->Button2->isEnabled());
            EXPECT_TRUE(window->keepsAwake());
            press("sdStop");
        },
        15000);
    script.step(
        "stopped", [&] { return idle() && !loop().job().running(); },
        [&] {
            EXPECT_EQ(panel(1), "Transfer stopped: 2 of 5 files written");
            EXPECT_FALSE(window->keepsAwake());
            EXPECT_TRUE(window->cxTabSheet4->BitBtn9->isEnabled());
            EXPECT_FALSE(window->cxTabSheet4->sdStop->isEnabled());
            EXPECT_TRUE(window->cxTabSheet4->sdSendFailedAgain->isEnabled());
            screenshot("sd-file-manager-results.png");
            press("sdSendFailedAgain");
        });
    script.step(
        "again over", [&] { return idle() && !loop().job().running() && panel(1).startsWith("Files is loaded"); },
        [&] { press("Button2"); }, 20000);
    connectWith(script);

    const TransferResults& results = window->sdUpload().results();
    EXPECT_EQ(resultTexts(results).size(), 3);
    EXPECT_EQ(results.at(0).name, "b.bin");
    EXPECT_EQ(results.at(0).outcomeText(), "written");
    EXPECT_TRUE(results.at(1).outcomeText().startsWith("cannot read: ")) << results.at(1).outcomeText().toStdString();
    EXPECT_EQ(results.at(2).outcomeText(), "written");
    EXPECT_EQ(panel(1), "Files is loaded to SD... 1 of 3 files failed");
    EXPECT_TRUE(asked.empty());
    for (const char* name : {"a.bin", "b.bin", "c.bin", "e.bin"})
        EXPECT_EQ(sdFile(QStringLiteral("/") + QString::fromLatin1(name)), sent[QString::fromLatin1(name)]) << name;
    // a, b, c and e went in the first batch; only b and e again.
    EXPECT_EQ(countFrames("SD open"), 6u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SdBatchOfFive, TheFirstBatchAccountsForEveryFile)
{
    writePcFile("a.bin", 600);
    writePcFile("b.bin", 600);
    writePcFile("c.bin", 600);
    writePcFile("e.bin", 400000);
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), QDir(pcFolder.path()).filePath(QStringLiteral("d.bin"))));
    QStringList first;
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            openPcFolder();
            press("Button7");
        });
    script.step(
        "the last file under way", [&] { return panel(1) == "Loading file e.bin to SD..." && panel(2).toInt() >= 25000; },
        [&] {
            // Esc with the focus on the page stops, as the button does.
            window->cxPageControl1->setActivePage(window->cxTabSheet4);
            QApplication::setActiveWindow(window.get());
            window->cxTabSheet4->sdStop->setFocus();
            QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        },
        15000);
    script.step(
        "stopped", [&] { return idle() && !loop().job().running(); },
        [&] {
            first = resultTexts(window->sdUpload().results());
            EXPECT_EQ(window->cxTabSheet4->sdResults->copiedText().count('\n'), 6);  // a header and five rows
            press("Button2");
        });
    connectWith(script);
    ASSERT_EQ(first.size(), 5);
    EXPECT_EQ(first[0], "written");
    EXPECT_EQ(first[1], "sum error at block 2");
    EXPECT_EQ(first[2], "written");
    EXPECT_TRUE(first[3].startsWith("cannot read: ")) << first[3].toStdString();
    EXPECT_TRUE(first[4].startsWith("stopped at byte ")) << first[4].toStdString();
    EXPECT_EQ(panel(1), "Transfer stopped: 2 of 5 files written");
    EXPECT_EQ(window->StatusBar1->panelToolTip(1).count(','), 2);  // b, d and e named
}

class SdQuietDisplay : public Transfer {
protected:
    // The answer to the second block of the first file comes after 4.5 s.
    SdQuietDisplay() : Transfer(1252, late()) {}
    static FailureSettings late()
    {
        FailureSettings f;
        f.enable(FailureMode::DelayReplies).at(1, 2);
        f.replyDelay = std::chrono::milliseconds(4500);
        return f;
    }
};

TEST_F(SdQuietDisplay, AQuietDisplayIsNoticedAfterThreeSecondsAndExitAsksWithoutStallingTheTransfer)
{
    // Large enough that the rest of the file still goes when the window looks after the late answer.
    writePcFile("a.bin", 400000);
    std::function<void()> confirm;
    std::vector<QString> questions;
    window->setQuestionAsker([&](const Question& q, std::function<void()> onConfirm) {
        questions.push_back(q.text);
        confirm = std::move(onConfirm);
    });
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxPageControl1->setActivePage(window->cxTabSheet4);
            openPcFolder();
            press("Button7");
        });
    script.step(
        "notice", [&] { return panel(1).startsWith("No answer"); },
        [&] {
            EXPECT_EQ(panel(1), "No answer from the display for 3 s; still waiting (Stop ends the transfer)");
            screenshot("stall-notice.png");
        },
        6000);
    script.step(
        "answered again", [&] { return panel(1) == "Loading file a.bin to SD..." && panel(2).toInt() > 500; },
        [&] {
            press("Button2");  // asks; the transfer goes on while the question is open
            EXPECT_EQ(questions, (std::vector<QString>{"A transfer is running: stop it and disconnect?"}));
        },
        6000);
    script.step(
        "still going", [&] { return panel(2).toInt() >= 2000 || panel(1) == "Files is loaded to SD..."; },
        [&] {
            EXPECT_GE(loop().runDepth(), 1);
            if (confirm)
                confirm();
        },
        5000);
    connectWith(script);
    EXPECT_EQ(loop().runDepth(), 0);
    EXPECT_FALSE(window->comm().Active());
    EXPECT_FALSE(loop().job().running());
}

class GreetingUnanswered : public Transfer {
protected:
    GreetingUnanswered() : Transfer(1252, silent()) {}
    static FailureSettings silent()
    {
        FailureSettings f;
        f.enable(FailureMode::Silent);
        return f;
    }
};

TEST_F(GreetingUnanswered, ASilentDisplayAtConnectIsNamedAndTheOldSizesMarkedStale)
{
    script.step(
        "size query out", [&] { return loop().state() == 1; },
        [&] { EXPECT_TRUE(window->Panel2->Edit6->property("stale").toBool()); }, 5000);
    script.step(
        "notice", [&] { return panel(1).startsWith("No answer"); },
        [&] {
            EXPECT_EQ(panel(1),
                      "No answer from the display since Connect, for 3 s; still waiting (press another button or Exit)");
            EXPECT_FALSE(window->Panel2->Edit10->toolTip().isEmpty());
            press("Button2");
        },
        6000);
    connectWith(script);
}

class FlashSlotResults : public Transfer {
protected:
    FlashSlotResults() : Transfer(1252, wrongSecond()) {}
    static FailureSettings wrongSecond()
    {
        FailureSettings f;
        f.enable(FailureMode::WrongSum).at(2, 3);
        return f;
    }
};

TEST_F(FlashSlotResults, EachSlotShowsItsLastResultBesideIt)
{
    writePcFile("sys.imz", 3000);
    writePcFile("logos.imz", 5000);
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxPageControl1->setActivePage(window->TabSheet4);
            chooseImage(0, QDir(pcFolder.path()).filePath("sys.imz"));
            press("BitBtn11");
        });
    script.step(
        "first written", [&] { return idle() && !loop().job().running(); },
        [&] {
            chooseImage(7, QDir(pcFolder.path()).filePath("logos.imz"));
            press("BitBtn43");
        },
        5000);
    script.step(
        "second over", [&] { return idle() && !loop().job().running(); },
        [&] {
            screenshot("disk-image-loader-results.png");
            press("Button2");
        },
        5000);
    connectWith(script);
    EXPECT_EQ(window->TabSheet4->imageResult[0]->text(), "written (3000 bytes)");
    EXPECT_EQ(window->TabSheet4->imageResult[7]->text(), "sum error at block 3");
    EXPECT_EQ(panel(1), "File logos.imz error");
}

class FlashTooLarge : public Transfer {
protected:
    FlashTooLarge() : Transfer(1252, {}) {}
};

TEST_F(FlashTooLarge, AnImageLargerThanItsDiskAsksFirstAndNothingGoesUnlessConfirmed)
{
    // The simulator reports 4 Mb for Disk 0; the image has 5 MiB.
    const QString image = QDir(pcFolder.path()).filePath("sys.imz");
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(5 * 1048576));
    }
    std::vector<Question> asked;
    window->setQuestionAsker([&](const Question& q, std::function<void()>) { asked.push_back(q); });
    auto since = std::make_shared<QElapsedTimer>();
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            chooseImage(0, image);
            press("BitBtn11");
            since->start();
        });
    script.step(
        "a while", [since] { return since->elapsed() > 300; }, [&] { press("Button2"); });
    connectWith(script);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text,
              "sys.imz has 5242880 bytes; the display reported 4 Mb (4194304 bytes) for \"1. sys.imz\". Send it anyway?");
    EXPECT_EQ(countFrames("flash open"), 0u);
}

TEST_F(FlashTooLarge, ASendBeforeConnectStartsNoJobAndHoldsNoButton)
{
    const QString image = QDir(pcFolder.path()).filePath("diag.imz");
    writePcFile("diag.imz", 100);
    window->TabSheet4->imageFileBox[6]->setText(image);
    window->TabSheet4->imageSendClick(6);  // the handler of "Send" in slot "7. diag.imz"
    EXPECT_FALSE(loop().job().running());
    EXPECT_TRUE(window->Panel1->Button8->isEnabled());
}

}  // namespace
