// Page "Screen Setup": its own page control with the sub-pages "Screen size" and "GAMMA".
#include <QVBoxLayout>

#include "app/gamma_page.h"
#include "app/screen_setup_page.h"
#include "app/screen_size_page.h"
#include "app/widgets/k_page_control.h"

ScreenSetupPage::ScreenSetupPage(PageHost& host, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("cxTabSheet1"));
    setAccessibleName(QStringLiteral("Screen Setup"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    PageControl1 = new KPageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setAccessibleName(QStringLiteral("Screen Setup pages"));
    PageControl1->tabStrip()->setAccessibleName(QStringLiteral("Screen Setup tabs"));
    v->addWidget(PageControl1);
    TabSheet9 = new ScreenSizePage(host);
    TabSheet6 = new GammaPage(host);
    PageControl1->addPage(TabSheet9, QStringLiteral("Screen size"));
    PageControl1->addPage(TabSheet6, QStringLiteral("GAMMA"));
}
