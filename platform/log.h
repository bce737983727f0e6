// Diagnostics: one line for each failure that the engine's interfaces
// report only by a null pointer or a zero.
//
// Where the engine shows a message box, it still does; this is for the
// quiet failures (an unknown pack identifier, a missing database, a sound
// file that cannot be read, no audio device), so that a game author learns
// why something did not appear.  By default warnings and errors go to
// stderr as
//
//   tessera: warning: <what>: <why>
//
// A game lowers or raises the level, or sends the lines elsewhere:
//
//   tessera::SetLogLevel(tessera::LogLevel::kOff);        // silent
//   tessera::SetLogWriter([](tessera::LogLevel, std::string_view line) {
//     my_console.Add(line);                               // GBK text
//   });
//
// Lines are GBK like every engine text; the default writer converts them
// to UTF-8 for the terminal.
#ifndef TESSERA_PLATFORM_LOG_H
#define TESSERA_PLATFORM_LOG_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <functional>
#include <string_view>

namespace tessera {

enum class LogLevel { kDebug = 0, kInfo = 1, kWarning = 2, kError = 3, kOff = 4 };

// Lines below `level` are dropped; kOff drops every line.  Default:
// kWarning.
void SetLogLevel(LogLevel level);
LogLevel GetLogLevel();

// Receives each line that passes the level, without a line break.  An
// empty function reinstalls the default (stderr).
using LogWriter = std::function<void(LogLevel level, std::string_view line)>;
void SetLogWriter(LogWriter writer);

// Writes "tessera: <level>: <what>: <why>" when the level passes.
void Log(LogLevel level, std::string_view what, std::string_view why);
inline void LogWarning(std::string_view what, std::string_view why) {
  Log(LogLevel::kWarning, what, why);
}
inline void LogInfo(std::string_view what, std::string_view why) {
  Log(LogLevel::kInfo, what, why);
}

// The level's word in a line: "debug", "info", "warning", "error".
const char* LogLevelName(LogLevel level);

}  // namespace tessera

#pragma GCC visibility pop
#endif
