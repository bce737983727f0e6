// One field of a dBase table, as the table object keeps it in memory, and
// the printf-style error reporter that table and index objects share.
#ifndef TESSERA_PACK_DBF_FIELD_H
#define TESSERA_PACK_DBF_FIELD_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

namespace tessera {

struct DbfField {
  char name[11] = {};    // zero-terminated, at most 10 characters
  char type = 0;         // 'C', 'D', 'N', 'F' or 'L'
  int32_t length = 0;    // bytes in the record
  int32_t decimals = 0;  // digits after the point ('N', 'F')
  int32_t offset = 0;    // position inside the record; the first field is at 1
};

// Reporter of table and index faults: printf-style.
typedef int (*ErrorReporter)(const char* format, ...);

// The default reporter: formats into 1,024 bytes and shows the text with
// ErrorBox.
int ReportErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tessera

#pragma GCC visibility pop
#endif
