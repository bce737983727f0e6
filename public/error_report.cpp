#include "public/error_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/message_sink.h"

namespace {
// "错误！！！" in GBK.
const char kErrorCaption[] = "\xB4\xED\xCE\xF3\xA3\xA1\xA3\xA1\xA3\xA1";
}  // namespace

void ErrorBox(const char* format, ...) {
  // The formatted text is meant to stay below 1,024 bytes; a longer one is
  // cut there rather than overrunning the buffer.
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  tessera::ShowMessage(kErrorCaption, buffer, tessera::MessageIcon::kStop);
}

void DebugOut(const char* message, const char* file, int line) {
  if (std::FILE* log = std::fopen("ErrOut.txt", "wb")) {
    std::fprintf(log, "Error at %s line %d : %s \n", file, line, message);
    std::fclose(log);
  }
  tessera::ShowMessage("Error", message, tessera::MessageIcon::kNone);
  // Ends at once, as a fatal error must: no destructors, no atexit handlers,
  // nothing that could fault again on half-built engine state.
  std::fflush(nullptr);
  std::_Exit(0);
}
