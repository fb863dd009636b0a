#pragma once
// The left panel: the port picker, "Connect" and "Exit", the settings file's menu, the chip of
// the connected display, the link type and the display's keys.
#include <QWidget>

class KRadioGroup;
class PageHost;
class QLabel;
class QPushButton;
class QToolButton;
class TnrComm;
class TnrDeviceBox;

class LeftPanel : public QWidget {
    Q_OBJECT
public:
    LeftPanel(PageHost& host, TnrComm& comm, QWidget* parent = nullptr);
    // "Settings file" under "Exit"; its menu is the window's.
    QToolButton* addSettingsFileButton();

    TnrDeviceBox* nrDeviceBox1 = nullptr;       // the port picker
    QPushButton* Button8 = nullptr;             // "Connect"
    QPushButton* Button2 = nullptr;             // "Exit"
    QToolButton* SettingsFileButton = nullptr;  // the settings file's menu, from every page
    QLabel* Image1 = nullptr;                   // the connected display's chip
    KRadioGroup* RadioGroup1 = nullptr;         // link type
    QPushButton* Button50 = nullptr;            // key up
    QPushButton* Button49 = nullptr;            // key down
    QPushButton* Button51 = nullptr;            // "Reset"
    QPushButton* Button54 = nullptr;            // "LONG+"
    QPushButton* Button53 = nullptr;            // "LONG-"
    QPushButton* Button52 = nullptr;            // "Long Reset"
    QPushButton* BitBtn19 = nullptr;            // "Reboot"
};
