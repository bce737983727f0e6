// What the command-line tools share: their conventions for arguments,
// messages and exit status.
//
//   --help, --version        print to stdout, exit 0
//   a usage error            "tool: why" and the usage line on stderr, exit 2
//   a failure                "tool: what failed: why" on stderr, exit 1
//
// Message boxes of the library (a pack that cannot be written, say) and its
// log lines are printed as the tool's own lines, without the engine's
// source locations.
#ifndef TESSERA_TOOLS_COMMON_TOOL_COMMON_H
#define TESSERA_TOOLS_COMMON_TOOL_COMMON_H

#include <string>
#include <string_view>
#include <vector>

namespace tessera::tools {

// The arguments after the program name.
inline std::vector<std::string> Args(int argc, char** argv) { return {argv + 1, argv + argc}; }

// Prints "<program>: <message>" on stderr and returns 1, for `return Fail(...)`.
int Fail(const std::string& program, const std::string& message);
// Prints "<program>: <message>" and then `usage` on stderr; returns 2.
int UsageError(const std::string& program, const std::string& usage, const std::string& message);

// When `args` hold --help (or -h) or --version: prints the help text or
// "<program> (tessera) <version>" on stdout and returns 0.  Otherwise -1:
// the tool carries on.
int HelpOrVersion(const std::vector<std::string>& args, const std::string& program,
                  std::string_view help);

// The library's version, as the tools report it.
const char* Version();

// Routes the library's message boxes and log lines to stderr as lines of
// the program, e.g. "tessera-pack: Failed to write file" (the engine's
// "<source> <line>" suffix left out).
void UseToolMessages(const std::string& program);

// The engine's "file.cpp 123" suffix taken off a message, and line breaks
// turned into spaces.
std::string PlainMessage(std::string_view text);

}  // namespace tessera::tools

#endif
