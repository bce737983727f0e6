// One open SQLite database file behind a CDataBase.
//
// The engine hands its statements over as complete SQL text, with the text
// values written between single quotes.  Most of its statements differ only
// in those values (one look-up per resource identifier), so the connection
// keeps a small cache of prepared statements keyed by the statement's shape:
// the text with each quoted value replaced by a parameter.  A statement is
// then prepared once and later runs only bind the values.  The result is the
// same as running the text as written.
#ifndef TESSERA_DATABASE_CONNECTION_H
#define TESSERA_DATABASE_CONNECTION_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/record_set.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tessera {

class DbConnection {
 public:
  // Opens an existing SQLite file for reading and writing (read-only when
  // the file cannot be written); never creates one.  Null when the file is
  // missing, unreadable or not an SQLite database (a query is run to find
  // out).  Every statement, that first query included, waits up to five
  // seconds for a transaction another process holds.
  static std::shared_ptr<DbConnection> Open(const std::string& native_path);

  ~DbConnection();
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  // Runs one statement and keeps no rows.  False on any error, including
  // text after the first statement.
  bool Execute(std::string_view sql);

  // Runs one query and copies its rows into a new record set.  On any error
  // false, and `out` is left as it was.
  bool Query(std::string_view sql, RecordsetPtr& out);

  sqlite3* handle() const { return db_; }
  // Whether writes are refused (the file or its folder is read-only).
  bool ReadOnly() const;

 private:
  explicit DbConnection(sqlite3* db) : db_(db) {}

  // A prepared statement for `sql` with its quoted values bound, or null.
  // `literals` keeps the unquoted values alive while the statement runs.
  sqlite3_stmt* Prepare(std::string_view sql, std::vector<std::string>& literals, bool& cached);
  sqlite3_stmt* PrepareAsWritten(std::string_view sql);
  void Finish(sqlite3_stmt* stmt, bool cached);

  struct CachedStatement {
    std::string shape;
    sqlite3_stmt* stmt;
  };
  sqlite3* db_;
  std::vector<CachedStatement> cache_;  // most recently used first
};

// Splits SQL text into its shape (each single-quoted text value replaced by
// '?') and the values (with doubled quotes undone).  False when the text
// cannot be cached safely: an unterminated quote, a comment, or a '?' of
// its own.
bool SplitSqlLiterals(std::string_view sql, std::string& shape, std::vector<std::string>& literals);

}  // namespace tessera

#pragma GCC visibility pop
#endif
