#include "database/sql_text.h"

#include <cstdarg>
#include <cstdio>

#include "database/database.h"

namespace tessera {

std::string SqlQuote(const char* text) {
  std::string out;
  if (!text) return out;
  for (const char* p = text; *p; ++p) {
    out += *p;
    if (*p == '\'') out += '\'';
  }
  return out;
}

bool FormatSql(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= size) {
    buffer[0] = 0;
    return false;
  }
  return true;
}

long CountRows(CDataBase* db, const char* sql) {
  if (!db) return -1;
  RecordsetPtr rs;
  if (!db->OpenSource(sql, rs)) return -1;
  return db->GetRecordCount(rs);
}

}  // namespace tessera
