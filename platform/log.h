// The diagnostic log: one line per event on standard error, prefixed with the
// program's name. Loaders report each file they could not use here, once.
#pragma once

#include <string>

namespace velkor {

void LogLine(const std::string& line);

// Replaces where lines go (tests collect them); null restores standard error.
using LogSink = void (*)(const char* line);
void SetLogSink(LogSink sink);

}  // namespace velkor
