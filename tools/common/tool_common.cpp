#include "common/tool_common.h"

#include <cstdio>

namespace tessera::tools {

int Fail(const std::string& program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
  return 1;
}

}  // namespace tessera::tools
