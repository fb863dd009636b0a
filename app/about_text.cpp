#include "app/about_text.h"

QString aboutText()
{
    return QStringLiteral("Korvane Shell %1\n\nThe service tool for the Korvane colour multi-function display.")
        .arg(QStringLiteral(KORVANE_VERSION));
}
