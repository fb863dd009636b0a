#include "app/settings_backup_window.h"

#include "app/form3.h"
#include "protocol/connect_failure.h"
#include "protocol/size_reply.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kBackUpCaption = QStringLiteral("Back up settings…");
const QString kCompareCaption = QStringLiteral("Compare with file…");
const QString kRestoreCaption = QStringLiteral("Restore settings…");

QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

SettingsBackupWindow::SettingsBackupWindow(TForm3& form, SettingsPages& pages, SettingsMemory& memory)
    : form_(form), sequence_(form.loop(), *this, &pages, &memory), presenter_(windowModalComparison(&form))
{
}

void SettingsBackupWindow::message(const QString& text) { form_.setStatusPanel(1, text); }

bool SettingsBackupWindow::ready()
{
    if (sequence_.running()) {
        message(QStringLiteral("The settings are being read or written; wait for the end or stop it first."));
        return false;
    }
    // A settings run starts at once and needs the display: unlike a command, it is not stored
    // for a later "Connect".
    if (form_.loop().runDepth() == 0 || !form_.loop().connected()) {
        message(notConnectedText());
        return false;
    }
    return true;
}

std::optional<QString> SettingsBackupWindow::chooseFile(bool save)
{
    QFileDialog dialog(&form_);
    dialog.setObjectName(save ? QStringLiteral("settingsSaveDialog") : QStringLiteral("settingsOpenDialog"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Settings files (*.json)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.setDirectory(path_.isEmpty() ? QDir::homePath() : QFileInfo(path_).absolutePath());
    if (save)
        dialog.selectFile(QStringLiteral("korvane-settings-%1.json").arg(QDate::currentDate().toString(Qt::ISODate)));
    if (!form_.runFileDialog(dialog) || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool SettingsBackupWindow::loadFile(const QString& path)
{
    const SettingsFileLoad load = readSettingsFile(path);
    if (!load.file) {
        message(load.error + QStringLiteral(". Nothing was sent."));
        return false;
    }
    path_ = path;
    file_ = load.file->records;
    return true;
}

void SettingsBackupWindow::backUp()
{
    if (!ready())
        return;
    const std::optional<QString> path = chooseFile(true);
    if (!path)
        return;
    path_ = *path;
    purpose_ = Purpose::Backup;
    sequence_.readAll();
}

void SettingsBackupWindow::compare()
{
    if (!ready())
        return;
    const std::optional<QString> path = chooseFile(false);
    if (!path || !loadFile(*path))
        return;
    purpose_ = Purpose::Compare;
    sequence_.readAll();
}

void SettingsBackupWindow::restore()
{
    if (!ready())
        return;
    const std::optional<QString> path = chooseFile(false);
    if (!path || !loadFile(*path))
        return;
    purpose_ = Purpose::RestoreRead;
    sequence_.readAll();
}

SettingsFile SettingsBackupWindow::fileOf(const SettingsSnapshot& records) const
{
    SettingsFile f;
    f.saved = QDateTime::currentDateTimeUtc();
    f.port = QString::fromStdString(form_.comm().ComName());
    if (const std::optional<SizeReply>& s = form_.lastSizes())
        f.storage = StorageSizes{{s->disks[0], s->disks[1], s->disks[2], s->disks[3]}, s->sdMegabytes()};
    f.records = records;
    return f;
}

void SettingsBackupWindow::backupProgress(const QString& text) { message(text); }

void SettingsBackupWindow::backupFinished(const BackupOutcome& outcome)
{
    const Purpose purpose = purpose_;
    purpose_ = Purpose::None;
    const QString name = fileNameOf(path_);
    if (outcome.end != BackupOutcome::End::Done) {
        const QString why = outcome.end == BackupOutcome::End::Stopped    ? QStringLiteral("stopped")
                            : outcome.end == BackupOutcome::End::LineLost ? QStringLiteral("ended: the line was lost")
                                                                          : QStringLiteral("ended by another command");
        const QString what = purpose == Purpose::Backup    ? QStringLiteral("Settings backup")
                             : purpose == Purpose::Compare ? QStringLiteral("Comparison")
                                                           : QStringLiteral("Settings restore");
        message(QStringLiteral("%1 %2 (%3).").arg(what, why, outcome.summary()));
        return;
    }
    switch (purpose) {
    case Purpose::Backup: {
        const QString error = writeSettingsFile(path_, fileOf(outcome.read));
        message(error.isEmpty() ? QStringLiteral("Settings backed up to %1.").arg(name) : error);
        break;
    }
    case Purpose::Compare: {
        const auto rows = compareSettings(outcome.read, file_);
        message(QStringLiteral("Compared with %1: %2 difference(s).").arg(name).arg(rows.size()));
        if (presenter_)
            presenter_({name, rows, false, false, 0, 0}, nullptr);
        break;
    }
    case Purpose::RestoreRead:
        confirmRestore(outcome);
        break;
    case Purpose::RestoreWrite: {
        QStringList back;
        for (SettingsRecordKind k : outcome.mismatched)
            back << settingsRecordName(k);
        const QString written = outcome.summary();
        message(back.isEmpty()
                    ? QStringLiteral("Restored from %1 (%2); read back, the display holds what was written. Before: %3.")
                          .arg(name, written, fileNameOf(beforePath_))
                    : QStringLiteral("Restore from %1: read back, %2 came back different (%3). Before: %4.")
                          .arg(name, back.join(QStringLiteral(", ")), written, fileNameOf(beforePath_)));
        break;
    }
    case Purpose::None:
        break;
    }
}

void SettingsBackupWindow::confirmRestore(const BackupOutcome& outcome)
{
    before_ = outcome.read;
    const auto rows = compareSettings(before_, file_);
    SettingsComparison c{fileNameOf(path_), rows, true, false, 0, 0};
    const auto& display = before_[SettingsRecordKind::Config];
    const auto& file = file_[SettingsRecordKind::Config];
    if (display && file) {
        c.displaySerial = configSerialNumber(*display);
        c.fileSerial = configSerialNumber(*file);
        c.otherDisplay = c.displaySerial != c.fileSerial;
    }
    if (rows.empty()) {
        message(QStringLiteral("The display already holds the settings of %1; nothing was sent.").arg(c.fileName));
        return;
    }
    message(QStringLiteral("Restore from %1: %2 difference(s); confirm to write.").arg(c.fileName).arg(rows.size()));
    if (presenter_)
        presenter_(c, [this](SettingsComparisonAnswer answer) { writeRecords(answer); });
}

void SettingsBackupWindow::writeRecords(const SettingsComparisonAnswer& answer)
{
    if (!ready())
        return;
    // What the display should hold afterwards: the file's records (this display's serial number
    // unless the user chose the file's); records the file lacks stay as they are.
    SettingsSnapshot target;
    SettingsSnapshot writes;
    for (SettingsRecordKind k : kSettingsRecordKinds) {
        if (!file_[k] || !before_[k])
            continue;
        RecordBytes bytes = *file_[k];
        if (k == SettingsRecordKind::Config && !answer.writeFileSerial)
            bytes = withSerialOf(bytes, *before_[k]);
        target[k] = bytes;
        if (bytes != *before_[k])
            writes[k] = bytes;
    }
    const QString name = fileNameOf(path_);
    if (writes == SettingsSnapshot{}) {
        message(QStringLiteral("The display already holds the settings of %1; nothing was sent.").arg(name));
        return;
    }
    // The records as they are now, so that the restore can be undone; without it, nothing is sent.
    beforePath_ = beforeRestorePath(path_);
    if (const QString error = writeSettingsFile(beforePath_, fileOf(before_)); !error.isEmpty()) {
        message(error + QStringLiteral(". Nothing was sent."));
        return;
    }
    purpose_ = Purpose::RestoreWrite;
    sequence_.restore(writes, target);
}

// ---------------------------------------------------------------- the window's controls

bool TForm3::runFileDialog(QFileDialog& dialog)
{
    return fileDialogRunner_ && fileDialogRunner_(dialog);
}

void TForm3::setComparisonPresenter(ComparisonPresenter presenter)
{
    settingsBackup_->setComparisonPresenter(std::move(presenter));
}

void TForm3::buildSettingsBackupControls()
{
    settingsBackup_ = std::make_unique<SettingsBackupWindow>(*this, *this, settingsMemory_);
    const auto hook = [this](QAbstractButton* b, void (SettingsBackupWindow::*what)()) {
        connect(b, &QAbstractButton::clicked, this, [this, what] { guarded([this, what] { (settingsBackup_.get()->*what)(); }); });
    };

    // On the "Config" page, below the record's groups and "Erase Config".
    auto* row = new QHBoxLayout;
    BackupSettingsButton = button(TabSheet1, "BackupSettingsButton", kBackUpCaption);
    CompareSettingsButton = button(TabSheet1, "CompareSettingsButton", kCompareCaption);
    RestoreSettingsButton = button(TabSheet1, "RestoreSettingsButton", kRestoreCaption);
    BackupSettingsButton->setToolTip(QStringLiteral("Read the display's four settings records and save them in a file"));
    CompareSettingsButton->setToolTip(QStringLiteral("Read the display's settings and list what differs from a file"));
    RestoreSettingsButton->setToolTip(QStringLiteral("Write a file's settings to the display and check them by reading back"));
    for (QPushButton* b : {BackupSettingsButton, CompareSettingsButton, RestoreSettingsButton}) {
        b->setMinimumHeight(30);
        row->addWidget(b);
    }
    row->addStretch(1);
    hook(BackupSettingsButton, &SettingsBackupWindow::backUp);
    hook(CompareSettingsButton, &SettingsBackupWindow::compare);
    hook(RestoreSettingsButton, &SettingsBackupWindow::restore);
    if (auto* configuration = TabSheet1->findChild<QGroupBox*>(QStringLiteral("GroupBoxConfiguration")))
        if (auto* grid = qobject_cast<QGridLayout*>(configuration->layout()))
            grid->addLayout(row, 3, 0, 1, 3, Qt::AlignLeft);  // below "Erase Config"

    // From every page: a menu button under "Exit".
    SettingsFileButton = new QToolButton(Panel1);
    SettingsFileButton->setObjectName(QStringLiteral("SettingsFileButton"));
    SettingsFileButton->setText(QStringLiteral("Settings file"));
    SettingsFileButton->setAccessibleName(QStringLiteral("Settings file"));
    SettingsFileButton->setToolTip(QStringLiteral("Back up, compare or restore the display's settings"));
    SettingsFileButton->setPopupMode(QToolButton::InstantPopup);
    SettingsFileButton->setFixedSize(Button2->width(), 24);
    auto* menu = new QMenu(SettingsFileButton);
    menu->setObjectName(QStringLiteral("SettingsFileMenu"));
    const struct {
        const QString* caption;
        void (SettingsBackupWindow::*what)();
    } items[] = {{&kBackUpCaption, &SettingsBackupWindow::backUp},
                 {&kCompareCaption, &SettingsBackupWindow::compare},
                 {&kRestoreCaption, &SettingsBackupWindow::restore}};
    for (const auto& item : items) {
        QAction* a = menu->addAction(*item.caption);
        const auto what = item.what;
        connect(a, &QAction::triggered, this, [this, what] { guarded([this, what] { (settingsBackup_.get()->*what)(); }); });
    }
    SettingsFileButton->setMenu(menu);
    if (auto* v = qobject_cast<QVBoxLayout*>(Panel1->layout()))
        v->insertWidget(v->indexOf(Button2) + 1, SettingsFileButton);
}
