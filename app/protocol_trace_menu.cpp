#include "app/protocol_trace_menu.h"

#include "app/form3.h"
#include "app/left_panel.h"
#include "protocol/frame_trace.h"
#include "protocol/trace_file.h"
#include "serial/observed_port.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

#include <atomic>
#include <chrono>

namespace {

// Frames kept: a connect and some minutes of commands, or the last blocks of a transfer; at most a
// few megabytes even while flash blocks of a kilobyte each go by.
constexpr size_t kTraceCapacity = 4096;

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

// The ring, its switch and its clock, fed by the port's reader and writer threads.
struct ProtocolTraceRing {
    FrameTrace trace{kTraceCapacity};
    std::atomic<bool> on{false};
    std::atomic<int64_t> startMs{0};
};

ProtocolTraceMenu::ProtocolTraceMenu(TForm3& form) : QObject(&form), form_(form), ring_(std::make_shared<ProtocolTraceRing>())
{
    form_.comm().SetPortFilter(ObservingPortFilter([ring = ring_](bool sent, const void* data, size_t size) {
        if (!ring->on.load())
            return;
        ring->trace.record(sent ? TraceDirection::ToDisplay : TraceDirection::FromDisplay,
                           std::span(static_cast<const uint8_t*>(data), size),
                           static_cast<uint64_t>(nowMs() - ring->startMs.load()));
    }));

    QMenu& menu = *form_.Panel1->SettingsFileButton->menu();
    menu.addSeparator();
    recordAction = menu.addAction(QStringLiteral("Record protocol trace"));
    recordAction->setObjectName(QStringLiteral("RecordProtocolTrace"));
    recordAction->setCheckable(true);
    recordAction->setToolTip(QStringLiteral("Keep the last frames on the line, for support"));
    saveAction = menu.addAction(QStringLiteral("Save protocol trace…"));
    saveAction->setObjectName(QStringLiteral("SaveProtocolTrace"));
    saveAction->setEnabled(false);
    connect(recordAction, &QAction::toggled, this, [this](bool on) { setRecording(on); });
    connect(saveAction, &QAction::triggered, this, [this] { save(); });
}

void ProtocolTraceMenu::setRecording(bool on)
{
    if (on == recording())
        return;
    if (on) {
        ring_->trace.clear();
        ring_->startMs.store(nowMs());
        ring_->on.store(true);
        form_.setStatusPanel(1, QStringLiteral("Recording the protocol trace: \"Save protocol trace…\" saves it."));
    } else {
        ring_->on.store(false);
        ring_->trace.clear();
        form_.setStatusPanel(1, QStringLiteral("Protocol trace off."));
    }
    recordAction->setChecked(on);
    saveAction->setEnabled(on);
}

bool ProtocolTraceMenu::recording() const { return ring_->on.load(); }

void ProtocolTraceMenu::save()
{
    if (!recording())
        return;
    QFileDialog dialog(&form_);
    dialog.setObjectName(QStringLiteral("traceSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(
        QStringLiteral("korvane-trace-%1.txt").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    if (!form_.runFileDialog(dialog) || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    const std::vector<TraceEntry> entries = ring_->trace.entries();
    const QString error = writeTraceFile(path, entries);
    form_.setStatusPanel(
        1,
        error.isEmpty()
            ? QStringLiteral("Protocol trace saved to %1 (%2 frames).").arg(QFileInfo(path).fileName()).arg(entries.size())
            : error);
}
