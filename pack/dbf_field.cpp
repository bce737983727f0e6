#include "pack/dbf_field.h"

#include <cstdarg>
#include <cstdio>

#include "public/error_report.h"

namespace tessera {

int ReportErrorBox(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ErrorBox("%s", text);
  return n;
}

}  // namespace tessera
