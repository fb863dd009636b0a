// The code page of SD names where there is no system code page: the locale's language decides.
#include "transfer/ansi_code_page.h"

int systemAnsiCodePage() { return ansiCodePageForLocale(ctypeLocaleName()); }
