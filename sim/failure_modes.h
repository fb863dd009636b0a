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
    DropLine,            // the line is closed after the Nth frame (it is answered first)
    WrongSum,            // a block is acknowledged with a sum one higher than the sum of its bytes
};

inline constexpr std::array<FailureMode, 6> kAllFailureModes{
    FailureMode::SplitReplies,       FailureMode::DelayReplies, FailureMode::Silent,
    FailureMode::GarbageBeforeReply, FailureMode::DropLine,     FailureMode::WrongSum,
};

// Which frames the failure modes strike. By default every frame; with transfersOnly, only the
// frames of file transfers, narrowed to one file and one block when those are set. Files are
// counted by their open frames (SD and flash alike) from 1 since the display started; blocks
// from 1 within their file.
struct FailureTarget {
    bool transfersOnly = false;
    int file = 0;   // 0: any file
    int block = 0;  // 0: any frame of the file, its open and close frames included
};

std::string_view failureModeName(FailureMode mode);

struct FailureSettings {
    std::uint32_t enabled = 0;  // one bit per FailureMode

    int splitPieces = 3;                        // SplitReplies: number of pieces
    std::chrono::milliseconds splitPause{20};   // SplitReplies: pause between pieces
    std::chrono::milliseconds replyDelay{200};  // DelayReplies: pause before a reply
    int garbageBytes = 3;                       // GarbageBeforeReply: stray bytes per reply
    int dropAfterFrames = 1;                    // DropLine: struck frames served on a line before it drops
    FailureTarget target;                       // the frames the modes strike

    // Strikes only block `block` of file `file` (0: any) of the transfers.
    FailureSettings& at(int file, int block)
    {
        target = FailureTarget{true, file, block};
        return *this;
    }

    bool has(FailureMode mode) const { return (enabled & bit(mode)) != 0; }
    FailureSettings& enable(FailureMode mode)
    {
        enabled |= bit(mode);
        return *this;
    }

    static constexpr std::uint32_t bit(FailureMode mode) { return 1u << static_cast<unsigned>(mode); }
};
