// The window's side of the settings backup: the three commands on the "Config" page and from
// every page, and the comparison dialog with its safe defaults.
#include "app/settings_comparison_dialog.h"
#include "app/widgets/k_status_bar.h"
#include "tests/app/form_fixture.h"
#include "app/settings_backup_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace {

using SettingsBackupControls = FormTest;

TEST_F(SettingsBackupControls, EachCommandIsOnTheConfigPageAndInTheMenuOfEveryPageAndNeedsAConnection)
{
    showPagesAsGreeted();  // as after a connection that has since been lost
    int dialogs = 0;
    form->setFileDialogRunner([&dialogs](QFileDialog&) { return ++dialogs, false; });
    auto* menuButton = control<QToolButton>("SettingsFileButton");
    ASSERT_NE(menuButton, nullptr);
    EXPECT_TRUE(menuButton->isVisible()) << "the left panel is there on every page";
    const QList<QAction*> actions = menuButton->menu()->actions();
    const struct {
        QPushButton* onPage;
        const char* caption;
    } commands[] = {{form->TabSheet1->BackupSettingsButton, "Back up settings…"},
                    {form->TabSheet1->CompareSettingsButton, "Compare with file…"},
                    {form->TabSheet1->RestoreSettingsButton, "Restore settings…"}};
    // The menu's first items; the protocol trace's follow below a separator.
    ASSERT_GT(actions.size(), static_cast<qsizetype>(std::size(commands)));
    EXPECT_TRUE(actions[static_cast<qsizetype>(std::size(commands))]->isSeparator());
    for (size_t i = 0; i < std::size(commands); ++i) {
        EXPECT_EQ(commands[i].onPage->text(), commands[i].caption);
        EXPECT_TRUE(form->TabSheet1->isAncestorOf(commands[i].onPage));
        EXPECT_EQ(actions[static_cast<qsizetype>(i)]->text(), commands[i].caption);
        for (const auto& press : {std::function<void()>([&] { commands[i].onPage->click(); }),
                                  std::function<void()>([&] { actions[static_cast<qsizetype>(i)]->trigger(); })}) {
            form->StatusBar1->setPanelText(1, QString());
            press();
            EXPECT_EQ(form->StatusBar1->panelText(1), "Not connected: press Connect first") << commands[i].caption;
        }
    }
    EXPECT_EQ(dialogs, 0) << "no file is asked for while nothing could be read";
    EXPECT_FALSE(form->settingsBackup().sequence().running());
    EXPECT_TRUE(errors.isEmpty());
}

SettingsComparison otherDisplay()
{
    SettingsComparison c;
    c.fileName = "car.json";
    c.rows = {{SettingsRecordKind::Config, "2. Serial №", "70001", "70002"},
              {SettingsRecordKind::TurboTimer, "Cooling, Time (sec)", "150", "120"}};
    c.restore = true;
    c.otherDisplay = true;
    c.displaySerial = 70001;
    c.fileSerial = 70002;
    return c;
}

TEST_F(SettingsBackupControls, TheRestoreDialogListsTheDifferencesAndKeepsThisSerialUnlessTicked)
{
    SettingsComparisonDialog dialog(otherDisplay(), form.get());
    ASSERT_EQ(dialog.table->rowCount(), 2);
    EXPECT_EQ(dialog.table->item(0, 0)->text(), "Config");
    EXPECT_EQ(dialog.table->item(1, 1)->text(), "Cooling, Time (sec)");
    EXPECT_EQ(dialog.table->item(1, 2)->text(), "150");
    EXPECT_EQ(dialog.table->item(1, 3)->text(), "120");
    ASSERT_NE(dialog.fileSerial, nullptr);
    EXPECT_FALSE(dialog.fileSerial->isChecked());
    EXPECT_FALSE(dialog.writeFileSerial());
    auto* cancel = dialog.findChild<QDialogButtonBox*>()->buttons().at(1);
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_TRUE(static_cast<QPushButton*>(cancel)->isDefault()) << "Enter does not restore";
    dialog.fileSerial->setChecked(true);
    EXPECT_TRUE(dialog.writeFileSerial());

    SettingsComparison sameDisplay = otherDisplay();
    sameDisplay.otherDisplay = false;
    EXPECT_EQ(SettingsComparisonDialog(sameDisplay, form.get()).fileSerial, nullptr);
}

TEST_F(SettingsBackupControls, TheWindowsComparisonGoesAheadOnlyOnRestore)
{
    const ComparisonPresenter present = windowModalComparison(form.get());
    for (const bool pressRestore : {false, true}) {
        std::vector<SettingsComparisonAnswer> answers;
        present(otherDisplay(), [&answers](SettingsComparisonAnswer a) { answers.push_back(a); });
        auto* dialog = form->findChild<SettingsComparisonDialog*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible()) << "opened without blocking";
        if (pressRestore) {
            dialog->fileSerial->setChecked(true);
            dialog->findChild<QPushButton*>("restoreButton")->click();
        } else {
            dialog->reject();
        }
        ASSERT_EQ(answers.size(), pressRestore ? 1u : 0u);
        if (pressRestore) {
            EXPECT_TRUE(answers[0].writeFileSerial);
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form->findChild<SettingsComparisonDialog*>(), nullptr);
    }
}

}  // namespace
