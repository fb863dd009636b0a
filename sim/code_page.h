#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The display keeps file names in a single-byte code page (1251, 1252, ...): the shell sends
// them converted that way, and the simulator turns them back into UTF-8 to name its files.

// True when iconv knows the code page "CP<codePage>".
bool codePageKnown(int codePage);

// The bytes read as text of the code page, in UTF-8; nothing when a byte has no character there.
std::optional<std::string> decodeCodePage(std::span<const std::uint8_t> bytes, int codePage);
