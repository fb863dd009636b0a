// Start-up: the application, the dark style, the main window, the event loop.
#include <QApplication>

#include "app/dark_style.h"
#include "app/form3.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane Shell"));
    QApplication::setDesktopFileName(QStringLiteral("example.korvane.Shell"));  // its menu entry and icon
    applyDarkStyle(app);
    TForm3 form;
    form.show();
    return QApplication::exec();
}
