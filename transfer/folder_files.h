#pragma once
#include <QString>
#include <QStringList>

// The ordinary files of a folder of the PC, by bare name, sorted by name: every one of them,
// whatever bytes its name holds. A name that the locale's encoding cannot decode is listed with
// replacement characters (U+FFFD) in place of the bytes it cannot show; such a name cannot be
// opened by its shown text, and the SD upload ends it with the file error, reported.
QStringList regularFileNames(const QString& folder);

// True when the name was listed with bytes it could not decode.
bool nameHasUndecodableBytes(const QString& name);
