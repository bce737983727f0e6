// Helpers the table classes use to build their SQL text.
//
// The tables format each statement by printf rules into a 512-byte buffer,
// with text values between single quotes.  Two safeguards sit on top:
// a value's single quotes are doubled (so "it's" is stored as it is, and
// never ends the quoted value early), and a statement that does not fit its
// buffer is refused rather than cut, since a cut statement could be a
// different, valid one (an UPDATE without its WHERE).
#ifndef TESSERA_DATABASE_SQL_TEXT_H
#define TESSERA_DATABASE_SQL_TEXT_H

#include <cstddef>
#include <cstring>
#include <string>

class CDataBase;

namespace tessera {

// `text` with each single quote doubled; empty for null.
std::string SqlQuote(const char* text);

// Formats into `buffer` of `size` bytes.  False (and an empty buffer) when
// the result does not fit.
bool FormatSql(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Runs a query and counts its rows; -1 when it could not run.
long CountRows(CDataBase* db, const char* sql);

// The deletes every table has: the rows of [table] whose [column] holds the
// text `value` (quoted) or the number, or every row.  The statement is
// written into `sql` (the table's buffer, which keeps its last statement)
// and run on `db`.  False without a database or a text value, when the
// statement does not fit, or when it fails.
bool DeleteRows(CDataBase* db, char* sql, size_t size, const char* table, const char* column,
                const char* value);
bool DeleteRows(CDataBase* db, char* sql, size_t size, const char* table, const char* column,
                int value);
bool DeleteAllRows(CDataBase* db, char* sql, size_t size, const char* table);
template <size_t N, typename Value>
bool DeleteRows(CDataBase* db, char (&sql)[N], const char* table, const char* column, Value value) {
  return DeleteRows(db, sql, N, table, column, value);
}
template <size_t N>
bool DeleteAllRows(CDataBase* db, char (&sql)[N], const char* table) {
  return DeleteAllRows(db, sql, N, table);
}

// Whether a fixed-size text field holds a terminating zero.
template <size_t N>
bool Terminated(const char (&field)[N]) {
  return std::memchr(field, 0, N) != nullptr;
}

// Copies `text` into a fixed-size field if it fits with its zero.
template <size_t N>
bool CopyField(char (&field)[N], const char* text) {
  size_t n = std::strlen(text);
  if (n >= N) return false;
  std::memcpy(field, text, n + 1);
  return true;
}

}  // namespace tessera

#endif
