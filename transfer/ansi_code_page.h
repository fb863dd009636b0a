#pragma once
#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The single-byte Windows code page that Windows picks for a locale: 1251 for ru uk be bg sr mk,
// 1250 for cs sk pl hu ro hr sl, 1253 for el, 1254 for tr, 1252 for every other language.
// localeName is a POSIX locale name such as "ru_RU.UTF-8", "el_GR" or "C".
int ansiCodePageForLocale(std::string_view localeName);

// The locale that decides character types for this process's environment: LC_ALL, else
// LC_CTYPE, else LANG; "C" when none is set.
std::string ctypeLocaleName();

// The code page the system converts SD names into: on Windows the system's ANSI code page
// (GetACP, which the locale's variables do not set there); elsewhere the one Windows would pick
// for the locale's language (ansiCodePageForLocale of ctypeLocaleName).
int systemAnsiCodePage();

// The text in the given Windows code page, or nothing when one of its characters has no byte
// there.
std::optional<std::string> encodeInCodePage(const QString& text, int codePage);
