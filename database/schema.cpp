#include "database/schema.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/path.h"

namespace tessera {

bool CreateDataBaseFile(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (path.empty()) return fail("empty database path");
  std::string native = NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) == 0) return fail(native + ": file exists already");

  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    std::string why = native + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    return fail(why);
  }
  // All tables or none: the schema runs in one transaction.
  char* message = nullptr;
  std::string sql = std::string("BEGIN;\n") + SchemaSql() + "\nCOMMIT;";
  rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string why = message ? message : "";
  sqlite3_free(message);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) {
    std::remove(native.c_str());
    return fail(native + ": " + why);
  }
  return true;
}

}  // namespace tessera
