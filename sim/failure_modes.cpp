#include "sim/failure_modes.h"

std::string_view failureModeName(FailureMode mode)
{
    switch (mode) {
    case FailureMode::SplitReplies:
        return "split replies";
    case FailureMode::DelayReplies:
        return "delay replies";
    case FailureMode::Silent:
        return "silent";
    case FailureMode::GarbageBeforeReply:
        return "garbage before reply";
    case FailureMode::DropLine:
        return "drop line";
    case FailureMode::WrongSum:
        return "wrong sum";
    }
    return "unknown";
}
