#include "serial/nr_error_box.h"

#include "serial/nr_base_io.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>

void ShowErrorsInMessageBox(TnrBaseIO& io)
{
    QPointer<QObject> owner = &io;
    io.SetErrorBox([owner](const std::string& text) {
        if (owner.isNull())
            return;
        const QString message = QString::fromStdString(text);
        QMetaObject::invokeMethod(
            owner.data(), [message] { QMessageBox::critical(nullptr, QStringLiteral("Error"), message); }, Qt::QueuedConnection);
    });
}
