#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/display_state.h"

// A command frame as the display takes it: 0xA6, the length byte, the code, the parameters.
struct CommandFrame {
    std::uint8_t lengthByte = 0;
    std::uint8_t code = 0;
    std::vector<std::uint8_t> params;
};

// Acts on a well-formed frame and returns the display's answer (empty for none).
using CommandHandler = std::vector<std::uint8_t> (*)(DisplayState&, const CommandFrame&);

// One entry of the display's command catalogue.
struct CommandInfo {
    std::uint8_t code;
    std::string_view name;
    std::uint64_t paramLengths;  // bit n set: a frame with n parameter bytes is well formed
    CommandHandler handler;      // null: the display only logs the frame
    // The transmission save frame says 0x0E although 13 bytes follow its length byte;
    // when the length byte equals quirkLengthByte, quirkBodyLength bytes follow instead.
    std::uint8_t quirkLengthByte = 0;
    std::uint8_t quirkBodyLength = 0;

    bool acceptsParamCount(std::size_t n) const { return n < 64 && ((paramLengths >> n) & 1u) != 0; }
    // Number of bytes that follow the length byte of a frame of this command.
    std::size_t bodyLength(std::uint8_t lengthByte) const
    {
        return (quirkLengthByte != 0 && lengthByte == quirkLengthByte) ? quirkBodyLength : lengthByte;
    }
};

constexpr std::uint64_t paramCounts(std::initializer_list<unsigned> counts)
{
    std::uint64_t mask = 0;
    for (unsigned n : counts)
        mask |= std::uint64_t{1} << n;
    return mask;
}

// Every command code the display knows, in numerical order.
std::span<const CommandInfo> commandCatalogue();
const CommandInfo* findCommand(std::uint8_t code);

// Human-readable name of a frame: the catalogue name, with the gamma table or the parameter where it says more.
std::string describeCommand(const CommandFrame& frame);
