#include "database/connection.h"

#include <sqlite3.h>

#include <cctype>

namespace tessera {

namespace {

// Prepared statements kept per connection.  The engine's tables use about
// twenty statement shapes in all.
constexpr size_t kCacheSize = 24;

// How long a statement waits for another connection's transaction.
constexpr int kBusyTimeoutMs = 5000;

bool OnlySpaceLeft(const char* tail) {
  for (; tail && *tail; ++tail)
    if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') return false;
  return true;
}

}  // namespace

bool SplitSqlLiterals(std::string_view sql, std::string& shape,
                      std::vector<std::string>& literals) {
  shape.clear();
  literals.clear();
  shape.reserve(sql.size());
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (c == '\'') {
      std::string value;
      size_t j = i + 1;
      for (;;) {
        if (j >= sql.size()) return false;  // unterminated
        if (sql[j] == '\'') {
          if (j + 1 < sql.size() && sql[j + 1] == '\'') {
            value += '\'';
            j += 2;
            continue;
          }
          break;
        }
        value += sql[j++];
      }
      literals.push_back(std::move(value));
      shape += '?';
      i = j + 1;
    } else if (c == '[' || c == '"' || c == '`') {
      // Quoted names are copied as they stand.
      char close = c == '[' ? ']' : c;
      size_t j = sql.find(close, i + 1);
      if (j == std::string_view::npos) return false;
      shape.append(sql.substr(i, j + 1 - i));
      i = j + 1;
    } else {
      if (c == '?' || c == ':' || c == '@' || c == '$') return false;  // parameters of its own
      if ((c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') ||
          (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*'))
        return false;
      if (c == 0) return false;
      shape += c;
      ++i;
    }
  }
  return true;
}

std::shared_ptr<DbConnection> DbConnection::Open(const std::string& native_path) {
  if (native_path.empty()) return nullptr;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(native_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  // Another process (a tool building the data, a second writer) may hold
  // the file in a transaction: every statement waits for it, the first one
  // included, so a busy database is waited for and never taken for a file
  // that is not a database.
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // Opening reads nothing yet; reading the schema tells an SQLite file
  // from anything else.
  rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  return std::shared_ptr<DbConnection>(new DbConnection(db));
}

bool DbConnection::ReadOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

DbConnection::~DbConnection() {
  for (CachedStatement& c : cache_) sqlite3_finalize(c.stmt);
  sqlite3_close_v2(db_);
}

sqlite3_stmt* DbConnection::PrepareAsWritten(std::string_view sql) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, &tail) !=
          SQLITE_OK ||
      !stmt) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  // One statement only, as the engine's data access runs one command.
  if (!OnlySpaceLeft(std::string(tail, sql.data() + sql.size() - tail).c_str())) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  return stmt;
}

sqlite3_stmt* DbConnection::Prepare(std::string_view sql, std::vector<std::string>& literals,
                                    bool& cached) {
  std::string shape;
  cached = SplitSqlLiterals(sql, shape, literals);
  if (!cached) {
    literals.clear();
    return PrepareAsWritten(sql);
  }

  sqlite3_stmt* stmt = nullptr;
  for (size_t i = 0; i < cache_.size(); ++i) {
    if (cache_[i].shape == shape) {
      stmt = cache_[i].stmt;
      if (i != 0) {
        CachedStatement hit = std::move(cache_[i]);
        cache_.erase(cache_.begin() + static_cast<long>(i));
        cache_.insert(cache_.begin(), std::move(hit));
      }
      break;
    }
  }
  if (!stmt) {
    const char* tail = nullptr;
    bool usable = sqlite3_prepare_v3(db_, shape.c_str(), static_cast<int>(shape.size()) + 1,
                                     SQLITE_PREPARE_PERSISTENT, &stmt, &tail) == SQLITE_OK &&
                  stmt && OnlySpaceLeft(tail) &&
                  sqlite3_bind_parameter_count(stmt) == static_cast<int>(literals.size());
    if (!usable) {
      // Some statements need their text values where a parameter cannot
      // stand (a trigger body, a default value): run those as written.
      sqlite3_finalize(stmt);
      cached = false;
      literals.clear();
      return PrepareAsWritten(sql);
    }
    if (cache_.size() >= kCacheSize) {
      sqlite3_finalize(cache_.back().stmt);
      cache_.pop_back();
    }
    cache_.insert(cache_.begin(), CachedStatement{std::move(shape), stmt});
  }
  for (size_t i = 0; i < literals.size(); ++i) {
    if (sqlite3_bind_text(stmt, static_cast<int>(i) + 1, literals[i].data(),
                          static_cast<int>(literals[i].size()), SQLITE_STATIC) != SQLITE_OK) {
      Finish(stmt, true);
      return nullptr;
    }
  }
  return stmt;
}

void DbConnection::Finish(sqlite3_stmt* stmt, bool cached) {
  if (cached) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
  } else {
    sqlite3_finalize(stmt);
  }
}

bool DbConnection::Execute(std::string_view sql) {
  std::vector<std::string> literals;
  bool cached = false;
  sqlite3_stmt* stmt = Prepare(sql, literals, cached);
  if (!stmt) return false;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  Finish(stmt, cached);
  return rc == SQLITE_DONE;
}

bool DbConnection::Query(std::string_view sql, RecordsetPtr& out) {
  std::vector<std::string> literals;
  bool cached = false;
  sqlite3_stmt* stmt = Prepare(sql, literals, cached);
  if (!stmt) return false;
  int columns = sqlite3_column_count(stmt);
  auto rs = std::make_shared<RecordSet>(columns);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::vector<FieldValue> row(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      FieldValue& v = row[static_cast<size_t>(c)];
      switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_INTEGER:
          v.kind = FieldValue::kInteger;
          v.integer = sqlite3_column_int64(stmt, c);
          break;
        case SQLITE_FLOAT:
          v.kind = FieldValue::kReal;
          v.real = sqlite3_column_double(stmt, c);
          break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
          v.kind = FieldValue::kText;
          const void* bytes = sqlite3_column_blob(stmt, c);
          int n = sqlite3_column_bytes(stmt, c);
          if (bytes && n > 0)
            v.text.assign(static_cast<const char*>(bytes), static_cast<size_t>(n));
          break;
        }
        default:
          v.kind = FieldValue::kNull;
          break;
      }
    }
    rs->AppendRow(std::move(row));
  }
  Finish(stmt, cached);
  if (rc != SQLITE_DONE) return false;
  out = std::move(rs);
  return true;
}

}  // namespace tessera
