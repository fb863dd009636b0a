// "Record protocol trace" and "Save protocol trace…" in the "Settings file" menu: the saved trace
// names the frames of the connect, and a trace switched off keeps nothing.
#include "tests/e2e/window_fixture.h"

#include "app/protocol_trace_menu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

class ProtocolTraceE2e : public WindowOverPty {
protected:
    QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }
    void pick(const QString& file)
    {
        window->setFileDialogRunner([file](QFileDialog& d) {
            d.setOption(QFileDialog::DontUseNativeDialog);
            d.selectFile(file);
            return true;
        });
    }
    // The saved lines without their time stamps: "-> A6 01 20  size query".
    QStringList savedLines(const char* name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts))
            lines << line.section(']', 1).trimmed();
        return lines;
    }
    QTemporaryDir dir;
};

TEST_F(ProtocolTraceE2e, ATraceRecordedFromTheConnectHoldsTheHelloAndTheSizeQuery)
{
    ProtocolTraceMenu& trace = window->protocolTrace();
    QMenu* menu = window->Panel1->SettingsFileButton->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().contains(trace.saveAction)) << "the item is in the menu under \"Exit\"";
    EXPECT_FALSE(trace.saveAction->isEnabled()) << "nothing to save before recording";
    trace.recordAction->trigger();
    ASSERT_TRUE(trace.recording());

    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                pick(path("trace.txt"));
                trace.saveAction->trigger();
                EXPECT_TRUE(panel(1).startsWith("Protocol trace saved to trace.txt")) << panel(1).toStdString();
                const QStringList lines = savedLines("trace.txt");
                ASSERT_GE(lines.size(), 3);
                EXPECT_EQ(lines[0], "-> A1 04 34 45 56 67  hello");
                EXPECT_EQ(lines[1], "-> A6 01 20  size query");
                EXPECT_TRUE(lines[2].startsWith("<- ") && lines[2].endsWith("reply")) << lines[2].toStdString();

                // Switched off, the ring is gone: switched on again, it starts empty.
                trace.recordAction->trigger();
                EXPECT_FALSE(trace.saveAction->isEnabled());
                trace.recordAction->trigger();
                pick(path("again.txt"));
                trace.saveAction->trigger();
                EXPECT_TRUE(QFile::exists(path("again.txt")));
                EXPECT_FALSE(savedLines("again.txt").join('\n').contains("hello"));
            })
        .act("exit", [&] { press("Button2"); });
    connectWith(script);
    EXPECT_TRUE(errors.empty());
}

}  // namespace
