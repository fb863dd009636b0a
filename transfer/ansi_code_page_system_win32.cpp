// The code page of SD names on Windows: the system's ANSI code page.
#include "transfer/ansi_code_page.h"

#include <windows.h>

int systemAnsiCodePage() { return static_cast<int>(GetACP()); }
