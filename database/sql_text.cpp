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

bool DeleteRows(CDataBase* db, char* sql, size_t size, const char* table, const char* column,
                const char* value) {
  if (!db || !value) return false;
  if (!FormatSql(sql, size, "DELETE FROM [%s] WHERE [%s] = '%s'", table, column,
                 SqlQuote(value).c_str()))
    return false;
  return db->ExecuteCommand(sql);
}

bool DeleteRows(CDataBase* db, char* sql, size_t size, const char* table, const char* column,
                int value) {
  if (!db) return false;
  std::snprintf(sql, size, "DELETE FROM [%s] WHERE [%s] = %d", table, column, value);
  return db->ExecuteCommand(sql);
}

bool DeleteAllRows(CDataBase* db, char* sql, size_t size, const char* table) {
  if (!db) return false;
  std::snprintf(sql, size, "DELETE FROM [%s]", table);
  return db->ExecuteCommand(sql);
}

}  // namespace tessera
