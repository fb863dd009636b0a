#pragma once
// Sub-page "Screen size" of "Screen Setup": visible area, brightness, sleep, background and
// start-up logos.
#include <QWidget>

#include <optional>

class KScrollBar;
class QAbstractButton;
class KSpinEdit;
class PageHost;
class QLabel;
class QPushButton;

class ScreenSizePage : public QWidget {
    Q_OBJECT
public:
    explicit ScreenSizePage(PageHost& host, QWidget* parent = nullptr);

    // What a command control of this page reads at its press: the brightness for "Brightness";
    // none for the others.
    std::optional<int> commandInput(const QAbstractButton* control) const;

    void SpinEdit2Change();
    void ScrollBar2Change();

    QPushButton* BitBtn32 = nullptr;  // "Screen size setup"
    QPushButton* Button15 = nullptr;  // top line up
    QPushButton* Button14 = nullptr;  // top line down
    QPushButton* Button17 = nullptr;  // bottom line up
    QPushButton* Button16 = nullptr;  // bottom line down
    QPushButton* BitBtn31 = nullptr;  // "Save size"
    QLabel* screenSizePicture = nullptr;
    QPushButton* BitBtn30 = nullptr;  // "Brightness"
    KSpinEdit* SpinEdit2 = nullptr;   // brightness in %
    KScrollBar* ScrollBar2 = nullptr;
    QPushButton* Button19 = nullptr;          // "Sleep In"
    QPushButton* Button20 = nullptr;          // "Sleep Out"
    QPushButton* BitBtn44 = nullptr;          // "Show Back-nd"
    QPushButton* Button1222222222 = nullptr;  // background up
    QPushButton* Button3234234234 = nullptr;  // background down
    QPushButton* BitBtn48 = nullptr;          // "Save Background"
    QPushButton* BitBtn49 = nullptr;          // "Save" (logos)

private:
    PageHost& host_;
};
