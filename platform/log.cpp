// The diagnostic log on standard error.
#include "platform/log.h"

#include <cstdio>

namespace velkor {

namespace {
LogSink logSink = nullptr;
}  // namespace

void LogLine(const std::string& line) {
  if (logSink) {
    logSink(line.c_str());
    return;
  }
  std::fprintf(stderr, "velkor: %s\n", line.c_str());
}

void SetLogSink(LogSink sink) { logSink = sink; }

}  // namespace velkor
