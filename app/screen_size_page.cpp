// Sub-page "Screen size" of "Screen Setup": visible area, brightness, sleep, background and
// start-up logos.
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/screen_size_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_scroll_bar.h"
#include "app/widgets/k_spin_edit.h"

ScreenSizePage::ScreenSizePage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("TabSheet9"));
    setAccessibleName(QStringLiteral("Screen size"));
    auto* page = new QGridLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->setHorizontalSpacing(10);
    page->setVerticalSpacing(10);

    // "Screen size": the line buttons beside the illustration, with "Debug" below them.
    QGroupBox* screen = form::group(this, QStringLiteral("Screen size"), "GroupBoxScreenSize");
    auto* sg = form::groupLayout<QGridLayout>(screen);
    sg->setHorizontalSpacing(6);
    sg->setVerticalSpacing(6);
    BitBtn32 = form::button(screen, "BitBtn32", QStringLiteral("Screen size setup"));
    BitBtn32->setIcon(pictures::picture());
    Button15 = form::button(screen, "Button15", QStringLiteral("\u2191 Up"), QStringLiteral("Top line up"));
    Button14 = form::button(screen, "Button14", QStringLiteral("\u2193 Down"), QStringLiteral("Top line down"));
    Button17 = form::button(screen, "Button17", QStringLiteral("\u2191 Up"), QStringLiteral("Bottom line up"));
    Button16 = form::button(screen, "Button16", QStringLiteral("\u2193 Down"), QStringLiteral("Bottom line down"));
    BitBtn31 = form::button(screen, "BitBtn31", QStringLiteral("Save size"));
    BitBtn31->setIcon(pictures::save());
    sg->addWidget(BitBtn32, 0, 0, 1, 3);
    sg->addWidget(form::label(screen, QStringLiteral("Top line")), 1, 0);
    sg->addWidget(Button15, 1, 1);
    sg->addWidget(Button14, 1, 2);
    sg->addWidget(form::label(screen, QStringLiteral("Bottom line")), 2, 0);
    sg->addWidget(Button17, 2, 1);
    sg->addWidget(Button16, 2, 2);
    sg->addWidget(BitBtn31, 3, 0, 1, 3);
    screenSizePicture = new QLabel(screen);
    screenSizePicture->setObjectName(QStringLiteral("screenSizePicture"));
    screenSizePicture->setPixmap(pictures::screenSize(190, 132));
    screenSizePicture->setAccessibleName(QStringLiteral("Visible area of the display"));
    sg->addWidget(screenSizePicture, 0, 3, 4, 1, Qt::AlignCenter);

    QGroupBox* debug = form::group(screen, QStringLiteral("Debug"), "GroupBoxDebug");
    auto* dg = form::groupLayout<QGridLayout>(debug);
    dg->setHorizontalSpacing(6);
    BitBtn30 = form::button(debug, "BitBtn30", QStringLiteral("Brightness"));
    BitBtn30->setIcon(pictures::sun());
    SpinEdit2 = form::spin(debug, "SpinEdit2", 0, 100, 100, 10, QStringLiteral("Brightness in %"));
    SpinEdit2->setFixedWidth(58);
    ScrollBar2 = new KScrollBar(Qt::Horizontal, debug);
    ScrollBar2->setObjectName(QStringLiteral("ScrollBar2"));
    ScrollBar2->setMin(0);
    ScrollBar2->setMax(100);
    ScrollBar2->setSmallChange(10);
    ScrollBar2->setLargeChange(10);
    ScrollBar2->setPosition(100);
    ScrollBar2->setAccessibleName(QStringLiteral("Brightness in %"));
    ScrollBar2->setMinimumWidth(150);
    Button19 = form::button(debug, "Button19", QStringLiteral("Sleep In"));
    Button19->setIcon(pictures::sleep());
    Button20 = form::button(debug, "Button20", QStringLiteral("Sleep Out"));
    Button20->setIcon(pictures::sun());
    auto* brightness = new QHBoxLayout;
    brightness->setSpacing(4);
    brightness->addWidget(BitBtn30);
    brightness->addWidget(SpinEdit2);
    brightness->addWidget(form::label(debug, QStringLiteral("%")));
    brightness->addSpacing(6);
    brightness->addWidget(ScrollBar2, 1);
    dg->addLayout(brightness, 0, 0, 1, 3);
    dg->addWidget(Button19, 1, 0);
    dg->addWidget(Button20, 1, 1);
    dg->setColumnStretch(2, 1);
    sg->addWidget(debug, 4, 0, 1, 4);
    connect(SpinEdit2, &KSpinEdit::changed, this, &ScreenSizePage::SpinEdit2Change);
    connect(ScrollBar2, &KScrollBar::changed, this, &ScreenSizePage::ScrollBar2Change);

    // "Background".
    QGroupBox* background = form::group(this, QStringLiteral("Background"), "GroupBoxBackground");
    auto* bg = form::groupLayout<QGridLayout>(background);
    bg->setVerticalSpacing(6);
    BitBtn44 = form::button(background, "BitBtn44", QStringLiteral("Show Back-nd"));
    BitBtn44->setIcon(pictures::picture());
    Button1222222222 = form::button(background, "Button1222222222", QStringLiteral("\u2191"), QStringLiteral("Background up"));
    Button3234234234 = form::button(background, "Button3234234234", QStringLiteral("\u2193"), QStringLiteral("Background down"));
    for (QPushButton* b : {Button1222222222, Button3234234234})
        b->setFont(form::boldFont(12));
    BitBtn48 = form::button(background, "BitBtn48", QStringLiteral("Save Background"));
    BitBtn48->setIcon(pictures::save());
    bg->addWidget(BitBtn44, 0, 0, 1, 2);
    bg->addWidget(Button1222222222, 1, 0);
    bg->addWidget(Button3234234234, 1, 1);
    bg->addWidget(BitBtn48, 2, 0, 1, 2);
    bg->setRowStretch(3, 1);

    // "Logo": "Save" beside four small groups whose boxes and "Show" buttons are the display's.
    QGroupBox* logo = form::group(this, QStringLiteral("Logo"), "GroupBoxLogo");
    auto* lg = form::groupLayout<QHBoxLayout>(logo);
    lg->setSpacing(10);
    auto* smallGrid = new QGridLayout;
    smallGrid->setSpacing(8);
    BitBtn49 = form::button(logo, "BitBtn49", QStringLiteral("Save"), QStringLiteral("Save logos"));
    BitBtn49->setIcon(pictures::save());
    BitBtn49->setMinimumHeight(40);
    lg->addWidget(BitBtn49, 0, Qt::AlignTop);
    struct Small {
        const char* caption;
        const char* key;
    };
    const Small smalls[] = {{"Anime", "Anime"},
                            {"Welcome Logo *logo.dta", "Welcome"},
                            {"Good bye Logog *bye.dta", "GoodBye"},
                            {"Model Name Logo *scrs.dta", "ModelName"}};
    int placed = 0;
    for (const Small& s : smalls) {
        const QString caption = QString::fromLatin1(s.caption);
        QGroupBox* g = form::group(logo, caption, qPrintable(QStringLiteral("GroupBoxLogo%1").arg(QLatin1String(s.key))));
        auto* gv = new QGridLayout(g);
        gv->setContentsMargins(8, 14, 8, 8);
        gv->setVerticalSpacing(3);
        int row = 0;
        for (const char* item : {"Visible", "Start", "Stop"}) {
            auto* box = new QCheckBox(QString::fromLatin1(item), g);
            box->setObjectName(QStringLiteral("logo%1%2").arg(QLatin1String(s.key), QLatin1String(item)));
            box->setAccessibleName(caption + QLatin1Char(' ') + QLatin1String(item));
            gv->addWidget(box, row++, 0);
        }
        QPushButton* show = form::button(g, qPrintable(QStringLiteral("logo%1Show").arg(QLatin1String(s.key))),
                                         QStringLiteral("Show"), QStringLiteral("Show ") + caption);
        gv->addWidget(show, 0, 1, 3, 1, Qt::AlignBottom);
        smallGrid->addWidget(g, placed / 2, placed % 2);
        ++placed;
    }
    lg->addLayout(smallGrid, 1);

    page->addWidget(screen, 0, 0);
    page->addWidget(background, 0, 1);
    page->addWidget(logo, 1, 0, 1, 2);
    page->setColumnStretch(0, 1);
    page->setRowStretch(2, 1);
}

void ScreenSizePage::SpinEdit2Change()
{
    host_.guarded([this] { ScrollBar2->setPosition(SpinEdit2->Value()); });
}

void ScreenSizePage::ScrollBar2Change()
{
    host_.guarded([this] { SpinEdit2->setValue(ScrollBar2->Position()); });
}

std::optional<int> ScreenSizePage::commandInput(const QAbstractButton* control) const
{
    if (control == BitBtn30)
        return SpinEdit2->Value();
    return std::nullopt;
}
