#pragma once

// What `korvane` tells its caller.
namespace ExitCode {
inline constexpr int kDone = 0;           // all done
inline constexpr int kFailed = 1;         // some file or record failed; the result lines say which
inline constexpr int kUsage = 2;          // bad arguments, or a guarded action without --yes
inline constexpr int kPort = 3;           // the port cannot be opened, or the line was lost
inline constexpr int kNoAnswer = 4;       // the display did not answer within --timeout
inline constexpr int kInterrupted = 130;  // stopped by Ctrl+C
}  // namespace ExitCode
