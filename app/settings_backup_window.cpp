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

}  // namespace

SettingsBackupWindow::SettingsBackupWindow(TForm3& form, SettingsPages& pages, SettingsMemory& memory)
    : form_(form), job_(form.loop(), *this, &pages, &memory), presenter_(windowModalComparison(&form))
{}

void SettingsBackupWindow::message(const QString& text) { form_.setStatusPanel(1, text); }

bool SettingsBackupWindow::ready()
{
    if (!form_.loop().mayStart()) {
        message(form_.loop().job().description() + QStringLiteral(": Stop ends it"));
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
    path_ = dialog.selectedFiles().first();
    return path_;
}

void SettingsBackupWindow::backUp()
{
    if (!ready())
        return;
    if (const std::optional<QString> path = chooseFile(true))
        job_.backUp(*path);
}

void SettingsBackupWindow::compare()
{
    if (!ready())
        return;
    if (const std::optional<QString> path = chooseFile(false))
        job_.compare(*path);
}

void SettingsBackupWindow::restore()
{
    if (!ready())
        return;
    if (const std::optional<QString> path = chooseFile(false))
        job_.restore(*path);
}

SettingsOrigin SettingsBackupWindow::settingsOrigin() const
{
    SettingsOrigin origin;
    origin.port = QString::fromStdString(form_.comm().ComName());
    if (const std::optional<SizeReply>& s = form_.lastSizes())
        origin.storage = StorageSizes{{s->disks[0], s->disks[1], s->disks[2], s->disks[3]}, s->sdMegabytes()};
    return origin;
}

void SettingsBackupWindow::settingsProgress(const QString& text) { message(text); }

void SettingsBackupWindow::settingsComparison(const SettingsComparison& comparison,
                                              std::function<void(SettingsComparisonAnswer)> onRestore)
{
    if (presenter_)
        presenter_(comparison, std::move(onRestore));
}

void SettingsBackupWindow::settingsFinished(const SettingsJobEnd& end) { message(end.message); }

// ---------------------------------------------------------------- the window's controls

bool TForm3::runFileDialog(QFileDialog& dialog) { return fileDialogRunner_ && fileDialogRunner_(dialog); }

void TForm3::setComparisonPresenter(ComparisonPresenter presenter)
{
    settingsBackup_->setComparisonPresenter(std::move(presenter));
}

void TForm3::buildSettingsBackupControls()
{
    settingsBackup_ = std::make_unique<SettingsBackupWindow>(*this, *this, settingsMemory_);
    const auto hook = [this](QAbstractButton* b, void (SettingsBackupWindow::*what)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, what] { guarded([this, what] { (settingsBackup_.get()->*what)(); }); });
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
    settingsStop = stopButton(TabSheet1, "settingsStop", &settingsBackup_->sequence());
    settingsStop->setAccessibleName(QStringLiteral("Stop the settings run"));
    settingsStop->setToolTip(QStringLiteral("Ends the running settings backup, comparison or restore (Esc)"));
    settingsStop->setMinimumHeight(30);
    row->addWidget(settingsStop);
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
    SettingsFileButton->setToolTip(
        QStringLiteral("Back up, compare or restore the display's settings; record a protocol trace for support"));
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
        markStarts(a);
        const auto what = item.what;
        connect(a, &QAction::triggered, this, [this, what] { guarded([this, what] { (settingsBackup_.get()->*what)(); }); });
    }
    SettingsFileButton->setMenu(menu);
    markSendsNothing(SettingsFileButton);  // its settings runs follow the loop; its trace items send nothing
    if (auto* v = qobject_cast<QVBoxLayout*>(Panel1->layout()))
        v->insertWidget(v->indexOf(Button2) + 1, SettingsFileButton);
}
