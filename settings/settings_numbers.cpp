#include "settings/settings_numbers.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Appended piece by piece: g++ 12 at -O3 mistakes `"'" + std::string(...)` for an overlapping copy.
std::string conversionMessage(std::string_view text)
{
    std::string message;
    message.reserve(text.size() + 32);
    message.append(1, '\'');
    message.append(text);
    message.append("' is not a valid integer value");
    return message;
}

}  // namespace

ConversionError::ConversionError(std::string_view text) : std::invalid_argument(conversionMessage(text)) {}

int textToInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        throw ConversionError(text);
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            throw ConversionError(text);
        value = value * base + digit;
        if (value > int64_t{1} << 32)
            throw ConversionError(text);
    }
    if (negative)
        value = -value;
    // Hexadecimal texts may name the whole 32-bit pattern ($FFFFFFFF is -1).
    if (base == 16 && !negative && value <= UINT32_MAX)
        return static_cast<int>(static_cast<uint32_t>(value));
    if (value < INT32_MIN || value > INT32_MAX)
        throw ConversionError(text);
    return static_cast<int>(value);
}

std::string firstTwoCharacters(std::string_view utf8)
{
    size_t end = 0;
    for (int chars = 0; chars < 2 && end < utf8.size(); ++chars) {
        ++end;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            ++end;
    }
    return std::string(utf8.substr(0, end));
}

int roundHalfEven(int numerator, int denominator)
{
    const std::div_t d = std::div(numerator, denominator);
    int q = d.quot;
    const int twice = 2 * std::abs(d.rem);
    const int away = numerator < 0 ? -1 : 1;
    if (twice > denominator || (twice == denominator && (q % 2) != 0))
        q += away;
    return q;
}
