// The main window: its start-up state, the storage panel, the catalogue's buttons, the
// error report and closing while connected.
#include "tests/app/form_fixture.h"

#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"
#include "protocol/command_catalogue.h"
#include "protocol/size_reply.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <set>
#include <string>

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

TEST_F(FormTest, StartsWithCaptionSizesAndNoPageVisible)
{
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral("Shell Korvane (HW ver. 7.x)  14/03/2019  for Firmware version 7.8.24.xxx     "
                             "[https://korvane.example]"));
    EXPECT_EQ(form->frameGeometry().size(), QSize(1074, 693));
    EXPECT_EQ(form->font().pointSize(), 8);

    EXPECT_FALSE(form->cxPageControl1->isVisible()) << "no page before the display is greeted";
    EXPECT_FALSE(form->Panel1->Image1->isVisible());
    EXPECT_FALSE(form->Panel2->Button43->isVisible());
    EXPECT_EQ(form->Panel1->RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(form->Panel1->RadioGroup1->title(), QString());
    for (KEdit* field :
         {form->Panel2->Edit6, form->Panel2->Edit7, form->Panel2->Edit8, form->Panel2->Edit9, form->Panel2->Edit10}) {
        EXPECT_EQ(field->text(), QStringLiteral("0")) << field->objectName().toStdString();
        EXPECT_TRUE(field->isReadOnly());
        EXPECT_TRUE(field->font().bold());
        EXPECT_FALSE(field->Color().isValid()) << "default colours until the size reply";
    }

    EXPECT_EQ(form->Panel1->width(), 153);
    EXPECT_EQ(form->Panel2->width(), 139);
    EXPECT_EQ(form->ProgressBar1->height(), 22);
    EXPECT_EQ(form->StatusBar1->height(), 19);
    const int widths[] = {100, 400, 80, 50, 50, 50, 50};
    ASSERT_EQ(form->StatusBar1->panelCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_GE(form->StatusBar1->panelWidth(i), widths[i]) << "panel " << i;
        EXPECT_TRUE(form->StatusBar1->panelText(i).isEmpty()) << "panel " << i;
    }
    for (int i = 0; i < 7; ++i)
        EXPECT_GT(form->StatusBar1->panel(i)->x(), i == 0 ? -1 : form->StatusBar1->panel(i - 1)->x())
            << "panels stand in their order";

    // The key buttons' bold fonts.
    const std::pair<QPushButton*, int> keys[] = {
        {form->Panel1->Button50, 20}, {form->Panel1->Button49, 20}, {form->Panel1->Button51, 12}, {form->Panel1->Button54, 10},
        {form->Panel1->Button53, 10}, {form->Panel1->Button52, 8},  {form->Panel1->BitBtn19, 18}};
    for (auto [b, points] : keys) {
        EXPECT_TRUE(b->font().bold()) << b->objectName().toStdString();
        EXPECT_EQ(b->font().pointSize(), points) << b->objectName().toStdString();
    }
    EXPECT_EQ(form->Panel1->BitBtn19->height(), 60);
    EXPECT_EQ(form->Panel1->Button50->width(), 47);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(FormTest, PagesStandInTabOrderWithTheImageLoaderInFront)
{
    EXPECT_EQ(form->cxPageControl1->visibleCaptions(),
              QStringList({"Config", "Screen Setup", "Extra Coding", "TurboTimer", "Transmission", "Keys emul",
                           "ver.7.6-7.7 Disk Image Loader", "ver.7.5 SD File Manager"}));
    EXPECT_EQ(form->cxPageControl1->ActivePage(), form->TabSheet4);
    EXPECT_EQ(form->cxTabSheet1->PageControl1->visibleCaptions(), QStringList({"Screen size", "GAMMA"}));
    EXPECT_EQ(form->cxTabSheet1->PageControl1->ActivePage(), form->cxTabSheet1->TabSheet6);

    // Once greeted, the pages show with the image loader in front, and the tabs wrap rather
    // than run past the page area.
    showPagesAsGreeted();
    EXPECT_TRUE(form->cxPageControl1->isVisible());
    EXPECT_TRUE(form->TabSheet4->isVisible());
    for (int i = 0; i < form->cxPageControl1->pageCount(); ++i)
        EXPECT_LE(form->cxPageControl1->tabRect(i).right(), form->cxPageControl1->width()) << "tab " << i;
    EXPECT_EQ(form->ScrollBox1->horizontalScrollBar()->maximum(), 0) << "the pages fit the page area";
}

TEST_F(FormTest, NeverShownPagesCannotBeReached)
{
    for (const char* name : {"cxTabSheet3", "TabSheet10", "TabSheet2", "TabSheet16", "TabSheet17", "TabSheet7", "TabSheet5"})
        EXPECT_EQ(form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    showPagesAsGreeted();
    for (const char* caption : {"Service ", "Desktop", "Firmware load", "Diagnostics", "TabSheet17"})
        EXPECT_FALSE(form->cxPageControl1->visibleCaptions().contains(QString::fromLatin1(caption))) << caption;
    // Walking the tabs with the keyboard only ever reaches the listed pages.
    std::set<QWidget*> reached;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(form->cxPageControl1->tabStrip(), Qt::Key_Right);
        reached.insert(form->cxPageControl1->ActivePage());
    }
    EXPECT_EQ(reached.size(), 8u);
}

TEST_F(FormTest, VisibleMenuItemChangesNothingWhileConfigIsShown)
{
    EXPECT_EQ(form->StatusBar1->contextMenu(), form->PopupMenu1);
    ASSERT_EQ(form->PopupMenu1->actions().size(), 2);
    EXPECT_EQ(form->PopupMenu1->actions().first(), form->Visible1);
    EXPECT_EQ(form->Visible1->text(), QStringLiteral("Visible"));
    const QStringList before = form->cxPageControl1->visibleCaptions();
    form->Visible1->trigger();
    EXPECT_EQ(form->cxPageControl1->visibleCaptions(), before);
    EXPECT_EQ(form->cxPageControl1->ActivePage(), form->TabSheet4);
    EXPECT_FALSE(form->cxPageControl1->isVisible()) << "it does not show the pages";

    // Were the tab ever hidden, it brings it back.
    form->cxPageControl1->setTabVisible(form->TabSheet1, false);
    form->Visible1->trigger();
    EXPECT_TRUE(form->cxPageControl1->TabVisible(form->TabSheet1));
}

TEST_F(FormTest, AboutMenuItemShowsTheVersionWithoutStoppingTheWindow)
{
    EXPECT_EQ(form->PopupMenu1->actions().last(), form->About1);
    EXPECT_EQ(form->About1->text(), QStringLiteral("About Korvane Shell"));
    form->About1->trigger();
    auto* box = form->findChild<QMessageBox*>(QStringLiteral("AboutBox"));
    ASSERT_NE(box, nullptr) << "the item opened no box";
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About Korvane Shell"));
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("Korvane Shell " KORVANE_VERSION "\n"))) << box->text().toStdString();
    box->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->findChild<QMessageBox*>(QStringLiteral("AboutBox")), nullptr) << "the box stays after OK";
}

// ---------------------------------------------------------------- the size reply

TEST_F(FormTest, SizeReplyFillsTheStoragePanelAndMarksAbsentVolumes)
{
    KEdit* const sizes[] = {form->Panel2->Edit6, form->Panel2->Edit7, form->Panel2->Edit8, form->Panel2->Edit9};
    const char* const boxes[] = {"Edit5", "Edit11", "Edit12", "Edit13", "Edit74", "Edit75", "Edit76", "Edit77"};
    const char* const pickers[] = {"BitBtn10", "BitBtn12", "BitBtn14", "BitBtn16",
                                   "BitBtn36", "BitBtn38", "BitBtn40", "BitBtn42"};

    showPagesAsGreeted();
    // Only Disk 1 (10 Mb), no SD card.
    form->showSizes(decodeSizeReply({0x00, 0x00, 0x0A, 0x00, 0x00, 0x00}));
    const char* texts[] = {"0", "10", "0", "0"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sizes[i]->text(), QString::fromLatin1(texts[i]));
        EXPECT_EQ(sizes[i]->Color(), i == 1 ? kGreen : kRed);
        EXPECT_EQ(control<KEdit>(boxes[i])->Color(), i == 1 ? QColor() : kRed);
        EXPECT_EQ(control<QPushButton>(pickers[i])->isEnabled(), i == 1);
    }
    for (int i = 4; i < 8; ++i) {
        EXPECT_FALSE(control<KEdit>(boxes[i])->Color().isValid()) << boxes[i];
        EXPECT_TRUE(control<QPushButton>(pickers[i])->isEnabled()) << "slot " << i << " is always open";
    }
    EXPECT_EQ(form->Panel2->Edit10->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Panel2->Edit10->Color(), kRed);
    EXPECT_FALSE(form->cxTabSheet4->isEnabled());

    // A later reply with every volume and the largest SD card: colours only change as told,
    // a red image box stays red.
    form->showSizes(decodeSizeReply({0x00, 0x01, 0x02, 0x03, 0x04, 0xFF}));
    EXPECT_EQ(form->Panel2->Edit10->text(), QStringLiteral("4080"));
    EXPECT_EQ(form->Panel2->Edit10->Color(), kGreen);
    EXPECT_TRUE(form->cxTabSheet4->isEnabled());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sizes[i]->text(), QString::number(i + 1));
        EXPECT_EQ(sizes[i]->Color(), kGreen);
        EXPECT_TRUE(control<QPushButton>(pickers[i])->isEnabled());
        EXPECT_EQ(control<KEdit>(boxes[i])->Color(), i == 1 ? QColor() : kRed);
    }
}

TEST_F(FormTest, DisabledSdPageCannotBeBroughtToTheFront)
{
    showPagesAsGreeted();
    form->showSizes(decodeSizeReply({0x00, 0x01, 0x01, 0x01, 0x01, 0x00}));
    const int sd = form->cxPageControl1->indexOf(form->cxTabSheet4);
    QTest::mouseClick(form->cxPageControl1->tabStrip(), Qt::LeftButton, {}, form->cxPageControl1->tabRect(sd).center());
    EXPECT_EQ(form->cxPageControl1->ActivePage(), form->TabSheet4);
    form->showSizes(decodeSizeReply({0x00, 0x01, 0x01, 0x01, 0x01, 0x02}));
    QTest::mouseClick(form->cxPageControl1->tabStrip(), Qt::LeftButton, {}, form->cxPageControl1->tabRect(sd).center());
    EXPECT_EQ(form->cxPageControl1->ActivePage(), form->cxTabSheet4);
}

TEST_F(FormTest, LoopHostShowsWhatTheLoopReports)
{
    form->setStatusPanel(4, QStringLiteral("1000"));
    form->setStatusPanel(0, QStringLiteral("try connect 3"));
    form->setConnectFailureReason(QStringLiteral("Permission denied"));
    EXPECT_EQ(form->StatusBar1->panelText(4), QStringLiteral("1000"));
    EXPECT_EQ(form->StatusBar1->panelText(0), QStringLiteral("try connect 3"));
    EXPECT_EQ(form->StatusBar1->panelToolTip(0), QStringLiteral("Permission denied"));

    form->Panel1->RadioGroup1->setItemIndex(2);
    EXPECT_EQ(form->linkTypeIndex(), 2);
    form->Panel1->RadioGroup1->setItemIndex(-1);
    EXPECT_EQ(form->linkTypeIndex(), -1);

    form->setChipVisible(true);
    EXPECT_TRUE(form->Panel1->Image1->isVisible());
    EXPECT_EQ(form->Panel1->Image1->size(), QSize(128, 128));
    form->enablePages();
    EXPECT_TRUE(form->cxPageControl1->isEnabled());
    EXPECT_FALSE(form->cxPageControl1->isVisible()) << "enabled is not yet visible";
    form->showPages();
    EXPECT_TRUE(form->cxPageControl1->isVisible());

    form->reportError(QStringLiteral("boom"));
    EXPECT_EQ(errors, QStringList{QStringLiteral("boom")});
}

// ---------------------------------------------------------------- command buttons

// Controls of the catalogue whose pages are filled in later.
const std::set<std::string> kOnPagesToCome = {};

TEST_F(FormTest, EveryCatalogueButtonStoresItsRequest)
{
    showPagesAsGreeted();
    form->TabSheet1->ComboBox4->setItemIndex(1);  // "Save Config" needs a display type code
    form->cxTabSheet1->TabSheet9->SpinEdit2->setValue(70);
    form->cxTabSheet2->SpinEdit1->setValue(5);
    form->cxTabSheet2->RadioGroup3->setItemIndex(0);  // "Left"
    for (const CommandControl& row : commandControls()) {
        SCOPED_TRACE(row.control);
        auto* b = form->findChild<QAbstractButton*>(QString::fromLatin1(row.control));
        if (!b) {
            EXPECT_TRUE(kOnPagesToCome.count(row.control)) << "the window lacks a command control";
            continue;
        }
        if (!kOnPagesToCome.count(row.control)) {
            EXPECT_EQ(b->text(), QString::fromUtf8(row.caption));
        }
        form->loop().request(1000, 0, 0);
        ASSERT_TRUE(b->isEnabled());
        b->click();
        EXPECT_EQ(form->loop().state(), row.state);
        switch (row.param) {
        case ParamKind::TickedCode:
            EXPECT_EQ(form->loop().commandCode(), static_cast<QCheckBox*>(b)->isChecked() ? row.value : row.code);
            break;
        case ParamKind::Constant:
            EXPECT_EQ(form->loop().commandCode(), row.code);
            EXPECT_EQ(form->loop().commandParameter(), row.value);
            break;
        default:
            EXPECT_EQ(form->loop().commandCode(), row.code);
            break;
        }
    }
    // Parameters read from the controls at the press.
    form->cxTabSheet1->TabSheet9->BitBtn30->click();
    EXPECT_EQ(form->loop().commandParameter(), 70);
    form->cxTabSheet2->Button21->click();
    EXPECT_EQ(form->loop().commandParameter(), 5);
    form->cxTabSheet2->Button68->click();
    EXPECT_EQ(form->loop().commandParameter(), 0x14) << "left mirror, left move";
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(FormTest, ButtonsOutsideTheCatalogueStoreNothing)
{
    showPagesAsGreeted();
    form->loop().request(1000, 0x42, 0x17);
    for (const char* name : {"Button36", "Button34", "BitBtn10", "BitBtn36", "logoAnimeShow"}) {
        control<QAbstractButton>(name)->click();
        EXPECT_EQ(form->loop().state(), 1000) << name;
        EXPECT_EQ(form->loop().commandCode(), 0x42) << name;
    }
    form->cxTabSheet2->CheckBox2->click();
    EXPECT_EQ(form->loop().state(), 1000) << "s86 sends nothing";
}

TEST_F(FormTest, HandlerFailureIsReportedNotThrown)
{
    // Every handler runs inside the window's guard: its failure is reported, and the window
    // carries on living.
    EXPECT_NO_THROW(form->guarded([] { throw std::runtime_error("The disk is full"); }));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.first(), QStringLiteral("The disk is full"));
}

// ---------------------------------------------------------------- "Connect", "Exit" and closing

// Upper bound for a loop that should have ended by itself long before.
constexpr int kGiveUpMs = 10000;

class ConnectWithoutPort : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        // A port that no map lists and no device has: every opening fails.
        form->nrComm1.SetComPortNo(250);
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [this] {
            gaveUp = true;
            form->loop().requestExit();
        });
        giveUp.start(kGiveUpMs);
    }
    QTimer giveUp;
    bool gaveUp = false;
};

TEST_F(ConnectWithoutPort, ExitEndsTheAttemptsAndKeepsTheWindow)
{
    QTimer::singleShot(200, form->Panel1->Button2, &QPushButton::click);
    form->Panel1->Button8->click();
    EXPECT_FALSE(gaveUp) << "\"Exit\" did not end the attempts";
    EXPECT_EQ(form->loop().runDepth(), 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->StatusBar1->panelText(0), QStringLiteral("Disconnected"));
    EXPECT_FALSE(form->StatusBar1->panelToolTip(0).isEmpty()) << "the reason of the failed opening";
    EXPECT_EQ(form->StatusBar1->panelText(1), QStringLiteral("Cannot open COM250: No such file or directory"));
    EXPECT_FALSE(form->Panel1->Image1->isVisible()) << "no port was ever open";
    EXPECT_FALSE(form->cxPageControl1->isVisible()) << "only the greeting shows the pages";
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ConnectWithoutPort, ClosingWhileConnectedWaitsForTheLoopThenCloses)
{
    bool stillShownAfterClose = false;
    QTimer::singleShot(200, form.get(), [this, &stillShownAfterClose] {
        form->close();
        stillShownAfterClose = form->isVisible();
    });
    form->Panel1->Button8->click();
    EXPECT_FALSE(gaveUp) << "closing did not end the loop";
    EXPECT_TRUE(stillShownAfterClose) << "the window waits for the loop's goodbye";
    EXPECT_FALSE(form->isVisible()) << "then it closes itself";
    EXPECT_EQ(form->loop().runDepth(), 0);

    // Without a loop, closing is immediate.
    form->show();
    form->close();
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
