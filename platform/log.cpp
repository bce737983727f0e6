#include "platform/log.h"

#include <cstdio>
#include <string>

#include "platform/test_hooks.h"
#include "platform/text_encoding.h"

namespace tessera {

namespace {

struct LogState {
  LogLevel level = LogLevel::kWarning;
  LogWriter writer;
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

void SetLogLevel(LogLevel level) { State().level = level; }
LogLevel GetLogLevel() { return State().level; }
void SetLogWriter(LogWriter writer) { State().writer = std::move(writer); }

const char* LogLevelName(LogLevel level) {
  switch (level) {
    case LogLevel::kDebug:
      return "debug";
    case LogLevel::kInfo:
      return "info";
    case LogLevel::kWarning:
      return "warning";
    case LogLevel::kError:
      return "error";
    default:
      return "off";
  }
}

void Log(LogLevel level, std::string_view what, std::string_view why) {
  LogState& s = State();
  if (level >= LogLevel::kOff || level < s.level) return;
  std::string line = "tessera: ";
  line += LogLevelName(level);
  line += ": ";
  line += what;
  if (!why.empty()) {
    line += ": ";
    line += why;
  }
  if (s.writer) {
    s.writer(level, line);
    return;
  }
  const std::string shown = GbkToUtf8(line) + "\n";
  std::fwrite(shown.data(), 1, shown.size(), stderr);
}

void ResetLogForTests() { State() = LogState(); }

}  // namespace tessera
