#pragma once
// The log sink interface the component writes its lines to.
#include <cstdint>
#include <cstdio>
#include <string>

#include "serial/nr_types.h"

class TnrCustomLogFile {
public:
    virtual ~TnrCustomLogFile() = default;
    virtual void Save() = 0;
    virtual void Clear() = 0;
    virtual void Add(const std::string& text) = 0;
    virtual void AddSysInfo() = 0;
    virtual void AddLog(TDetailLevel level, const std::string& text) = 0;
    // The formatted lines: the printf-style format (with the prefix in front) and the text it
    // gives once filled with its arguments.
    virtual void AddFmt(const std::string& format, const std::string& text) = 0;
    virtual void AddLogFmt(TDetailLevel level, const std::string& format, const std::string& text) = 0;
};

// The line a fatal error leaves in a log, without the prefix: "Fatal Error: %u, %u, %s".
inline void WriteFatalErrorLine(TnrCustomLogFile& log, uint32_t errorCode, uint32_t detail, const std::string& message)
{
    char text[64];
    std::snprintf(text, sizeof text, "Fatal Error: %u, %u, ", errorCode, detail);
    log.AddLogFmt(dlSimple, "Fatal Error: %u, %u, %s", text + message);
}
