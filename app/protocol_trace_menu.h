#pragma once
#include <QObject>

#include <memory>

class QAction;
class TForm3;
struct ProtocolTraceRing;

// "Record protocol trace" and "Save protocol trace…" for support: while recording is on, every
// frame on the line, both ways, goes into a bounded ring with its time; saving writes the ring
// to a text file chosen in a save dialog. The port's observer is installed once (it takes effect
// when the port next opens); recording is only a switch, and switching it off frees the ring.
class ProtocolTraceMenu : public QObject {
public:
    // Adds the two items to the "Settings file" menu under "Exit", below a separator.
    explicit ProtocolTraceMenu(TForm3& form);

    void setRecording(bool on);
    bool recording() const;
    void save();

    QAction* recordAction = nullptr;
    QAction* saveAction = nullptr;

private:
    TForm3& form_;
    std::shared_ptr<ProtocolTraceRing> ring_;  // shared with the port's observer threads
};
