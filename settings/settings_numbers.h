#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

// The conversion error of a text that is no whole number: "'<text>' is not a valid integer value".
class ConversionError : public std::invalid_argument {
public:
    explicit ConversionError(std::string_view text);
};

// A text as a whole number the way the window's converter reads it: optional leading blanks, an
// optional sign, then decimal digits (or hexadecimal after "$" or "0x"), nothing after them, within
// the signed 32-bit range. Anything else raises ConversionError with the text.
int textToInt(std::string_view text);

// The first two characters of a UTF-8 text (fewer when the text is shorter).
std::string firstTwoCharacters(std::string_view utf8);

// numerator / denominator rounded to the nearest integer, halves to the even neighbour;
// denominator > 0.
int roundHalfEven(int numerator, int denominator);
