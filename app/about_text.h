#pragma once
#include <QString>

// What "About Korvane Shell" says: the program, its version and what it is for.
QString aboutText();
