#pragma once
#include "protocol/frame_trace.h"

#include <QString>

#include <vector>

// Writes a protocol trace as text, one formatted entry per line, through a temporary file and a
// rename, so that a failed save leaves no half file. Returns an empty text, or what went wrong.
QString writeTraceFile(const QString& path, const std::vector<TraceEntry>& entries);
