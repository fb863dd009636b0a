// The component's terminal control: a plain text edit that shows what arrives and sends what is
// typed. The component itself needs no widgets; binding it to the control does.
#include "serial/nr_base_io.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

// Hands the terminal's key presses to the component.
class TerminalKeys : public QObject {
public:
    TerminalKeys(TnrBaseIO& io, QObject* terminal) : QObject(terminal), io_(io) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && io_.TerminalTyped(static_cast<QKeyEvent*>(event)->text()))
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    TnrBaseIO& io_;
};

}  // namespace

QPlainTextEdit* TnrBaseIO::Terminal() const { return qobject_cast<QPlainTextEdit*>(fTerminal.data()); }

void TnrBaseIO::SetTerminal(QPlainTextEdit* terminal)
{
    ReleaseTerminal();
    if (!terminal)
        return;
    fTerminal = terminal;
    auto* keys = new TerminalKeys(*this, terminal);
    fTerminalKeys = keys;
    terminal->installEventFilter(keys);
    fTerminalWriter = [](QObject* control, const QString& text) {
        auto* edit = qobject_cast<QPlainTextEdit*>(control);
        if (!edit)
            return;
        QTextCursor cursor = edit->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        edit->setTextCursor(cursor);
    };
}
