#pragma once
// Page "Screen Setup": its own page control with the sub-pages "Screen size" and "GAMMA".
#include <QWidget>

class GammaPage;
class KPageControl;
class PageHost;
class ScreenSizePage;

class ScreenSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit ScreenSetupPage(PageHost& host, QWidget* parent = nullptr);

    KPageControl* PageControl1 = nullptr;
    ScreenSizePage* TabSheet9 = nullptr;  // "Screen size"
    GammaPage* TabSheet6 = nullptr;       // "GAMMA"
};
