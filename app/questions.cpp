#include "app/questions.h"
#include "app/question_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

QMessageBox* openQuestionBox(QWidget* parent, const Question& question, std::function<void()> onConfirm)
{
    auto* box = new QMessageBox(QMessageBox::Warning, question.title, question.text, QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("questionBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* confirm = box->addButton(question.confirmCaption, QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(question.cancelCaption, QMessageBox::RejectRole);
    confirm->setAutoDefault(false);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::buttonClicked, box, [confirm, onConfirm](QAbstractButton* clicked) {
        if (clicked == confirm && onConfirm)
            onConfirm();
    });
    box->open();
    cancel->setFocus();
    return box;
}

QuestionAsker windowModalAsker(QWidget* parent)
{
    return [parent](const Question& question, std::function<void()> onConfirm) {
        openQuestionBox(parent, question, std::move(onConfirm));
    };
}
