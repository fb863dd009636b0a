#include "transfer/ansi_code_page.h"

#include <array>
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
