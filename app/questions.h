#pragma once
#include <QString>

#include <functional>

class QWidget;

// A question the window asks before it does something that cannot be undone or that ends a
// running job. It never blocks: the box is shown window-modal and returns at once, so a protocol
// loop that is running keeps running while the question is open; the answer arrives later
// through the callback. The safe answer has the focus, so Enter does not confirm.
struct Question {
    QString title;           // the box's title
    QString text;            // what will happen, in a sentence or two
    QString confirmCaption;  // the caption of the button that goes ahead
    QString cancelCaption = QStringLiteral("Cancel");
};

// Shows a question and calls onConfirm only if the user confirms.
using QuestionAsker = std::function<void(const Question& question, std::function<void()> onConfirm)>;

// The window's own asker: a window-modal message box over parent, opened with open().
QuestionAsker windowModalAsker(QWidget* parent);
