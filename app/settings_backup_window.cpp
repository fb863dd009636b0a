#include "app/settings_backup_window.h"
#include "app/settings_comparison_dialog.h"

#include "app/form3.h"
#include "app/config_page.h"
#include "app/left_panel.h"
#include "app/page_helpers.h"
#include "protocol/protocol_loop.h"
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
    TabSheet1->addSettingsFileRow(&settingsBackup_->sequence());
    hook(TabSheet1->BackupSettingsButton, &SettingsBackupWindow::backUp);
    hook(TabSheet1->CompareSettingsButton, &SettingsBackupWindow::compare);
    hook(TabSheet1->RestoreSettingsButton, &SettingsBackupWindow::restore);

    // From every page: a menu button under "Exit".
    QToolButton* menuButton = Panel1->addSettingsFileButton();
    auto* menu = new QMenu(menuButton);
    menu->setObjectName(QStringLiteral("SettingsFileMenu"));
    const struct {
        const QString* caption;
        void (SettingsBackupWindow::*what)();
    } items[] = {{&kBackUpCaption, &SettingsBackupWindow::backUp},
                 {&kCompareCaption, &SettingsBackupWindow::compare},
                 {&kRestoreCaption, &SettingsBackupWindow::restore}};
    for (const auto& item : items) {
        QAction* a = menu->addAction(*item.caption);
        form::markStarts(a);
        const auto what = item.what;
        connect(a, &QAction::triggered, this, [this, what] { guarded([this, what] { (settingsBackup_.get()->*what)(); }); });
    }
    menuButton->setMenu(menu);
}
