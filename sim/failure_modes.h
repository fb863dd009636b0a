#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>

// The ways the simulated display can misbehave, so that the shell's handling of a
// faulty line can be exercised. Several modes can be active at once.
enum class FailureMode : unsigned {
    SplitReplies,        // a reply leaves in several pieces with a pause between them
    DelayReplies,        // a pause before every reply
    Silent,              // the display never answers (it still acts on the frames)
    GarbageBeforeReply,  // a few stray bytes precede every reply
    DropLine,            // the line is closed after the Nth frame
};

inline constexpr std::array<FailureMode, 5> kAllFailureModes{
    FailureMode::SplitReplies, FailureMode::DelayReplies, FailureMode::Silent,
    FailureMode::GarbageBeforeReply, FailureMode::DropLine,
};

std::string_view failureModeName(FailureMode mode);

struct FailureSettings {
    std::uint32_t enabled = 0;  // one bit per FailureMode

    int splitPieces = 3;                              // SplitReplies: number of pieces
    std::chrono::milliseconds splitPause{20};         // SplitReplies: pause between pieces
    std::chrono::milliseconds replyDelay{200};        // DelayReplies: pause before a reply
    int garbageBytes = 3;                             // GarbageBeforeReply: stray bytes per reply
    int dropAfterFrames = 1;                          // DropLine: frames served on a line before it drops

    bool has(FailureMode mode) const { return (enabled & bit(mode)) != 0; }
    FailureSettings &enable(FailureMode mode)
    {
        enabled |= bit(mode);
        return *this;
    }

    static constexpr std::uint32_t bit(FailureMode mode) { return 1u << static_cast<unsigned>(mode); }
};
