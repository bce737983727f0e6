// Small helpers the command-line tools share.
#ifndef TESSERA_TOOLS_COMMON_TOOL_COMMON_H
#define TESSERA_TOOLS_COMMON_TOOL_COMMON_H

#include <string>
#include <vector>

namespace tessera::tools {

// The arguments after the program name.
inline std::vector<std::string> Args(int argc, char** argv) { return {argv + 1, argv + argc}; }

// Prints "<program>: <message>" on stderr and returns 1, for `return Fail(...)`.
int Fail(const std::string& program, const std::string& message);

}  // namespace tessera::tools

#endif
