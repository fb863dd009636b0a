#pragma once
// Page "Extra Coding": the warnings, comfort functions and vehicle options of the extra coding
// record, its line colour, speed limit and coffee break, with the read and save buttons.
#include <QWidget>

class KCheckListBox;
class KRadioGroup;
class KSpinEdit;
class PageHost;
class QPushButton;
struct ExtraCodingView;

class ExtraCodingPage : public QWidget {
    Q_OBJECT
public:
    explicit ExtraCodingPage(PageHost& host, QWidget* parent = nullptr);

    // The extra coding reply.
    void showExtraCoding(const ExtraCodingView& view);

    void Button3Click();  // "Save Extra Encode"

    QPushButton* BitBtn28 = nullptr;         // "Read Extra Encode"
    QPushButton* BitBtn29 = nullptr;         // "Save Extra Encode"
    KCheckListBox* CheckListBox1 = nullptr;  // warnings
    KCheckListBox* CheckListBox2 = nullptr;  // comfort functions
    KCheckListBox* CheckListBox3 = nullptr;  // vehicle options
    KRadioGroup* RadioGroup2 = nullptr;      // line colour
    KSpinEdit* SpinEdit3 = nullptr;          // speed limit, km/h
    KSpinEdit* SpinEdit39 = nullptr;         // coffee break, minutes
    KSpinEdit* SpinEdit40 = nullptr;         // coffee break, km

private:
    PageHost& host_;
};
