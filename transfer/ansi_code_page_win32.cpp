// Text into a Windows code page on Windows: the system's own conversion.
#include "transfer/ansi_code_page.h"

#include <windows.h>

std::optional<std::string> encodeInCodePage(const QString& text, int codePage)
{
    const std::wstring wide = text.toStdWString();
    if (wide.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    const UINT page = static_cast<UINT>(codePage);
    const int n = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;  // a character without a byte there
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return out;
}
