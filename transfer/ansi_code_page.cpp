#include "transfer/ansi_code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdlib>

int ansiCodePageForLocale(std::string_view localeName)
{
    const std::string_view language = localeName.substr(0, localeName.find_first_of("_.@"));
    struct Group {
        int codePage;
        std::array<std::string_view, 7> languages;
    };
    static constexpr Group kGroups[] = {
        {1251, {"ru", "uk", "be", "bg", "sr", "mk"}},
        {1250, {"cs", "sk", "pl", "hu", "ro", "hr", "sl"}},
        {1253, {"el"}},
        {1254, {"tr"}},
    };
    for (const Group& g : kGroups)
        for (std::string_view l : g.languages)
            if (!l.empty() && l == language)
                return g.codePage;
    return 1252;
}

std::string ctypeLocaleName()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

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
