// Text into a Windows code page on a POSIX system: through iconv.
#include "transfer/ansi_code_page.h"

#include <iconv.h>

std::optional<std::string> encodeInCodePage(const QString& text, int codePage)
{
    const std::string target = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open(target.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray utf8 = text.toUtf8();
    std::string out(static_cast<size_t>(utf8.size()), '\0');  // single-byte: never longer
    char* in = utf8.data();
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}
