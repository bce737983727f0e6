// The game database connection and the list of open databases.
//
// A CDataBase stands for one open database file and runs SQL text on it.
// The files are SQLite 3 databases (whatever name the engine gives them,
// "data\Pack.mdb" included); they are opened for reading and writing and
// never created here, so a missing file fails to connect.  Every database
// fault is caught here and turned into a false or empty result; nothing is
// shown and nothing is thrown.
//
// The entry functions keep one process-wide list of open databases keyed by
// their path, byte for byte.  Opening is not reference counted: two owners
// of one path share one CDataBase, and the first release ends it for both.
#ifndef TESSERA_DATABASE_DATABASE_H
#define TESSERA_DATABASE_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <memory>

#include "database/connection.h"
#include "database/record_set.h"
#include "public/export.h"

class CDataBase {
 public:
  CDataBase();
  // A copy shares the connection and copies the flag and the path.
  CDataBase(const CDataBase& other);
  CDataBase& operator=(const CDataBase& other);
  // Drops this object's share of the connection; the last share closes it.
  virtual ~CDataBase();

  // Opens the database file at `path` (an engine path; backslashes are
  // made native when the file is opened).  On success stores the path and
  // sets the connected flag; on failure leaves both as they were.
  bool ConnectAccess(const char* path);

  // Runs one statement that returns no rows.  True when it ran, also when
  // it changed no row.
  bool ExecuteCommand(const char* sql);

  // Runs one query and hands its rows to `rs` (releasing what `rs` held).
  // On failure `rs` is left as it was.
  bool OpenSource(const char* sql, tessera::RecordsetPtr& rs);

  // Number of rows of `rs`, leaving it on its first row; 0 for a null or
  // empty record set.
  long GetRecordCount(const tessera::RecordsetPtr& rs);

  bool IsConnected() const { return m_bConnected; }
  const char* GetFilename() const { return m_szFilename; }

  std::shared_ptr<tessera::DbConnection> m_pConnection;
  bool m_bConnected;
  char m_szFilename[1024];
};

// Opens the database at `path` unless it is listed already; true when it is
// (now) connected.  A path longer than 1,024 bytes fails.  A new list entry
// stays even when its connection fails.
TESSERA_API bool AfxInitDataBase(const char* path);

// The first listed database whose stored path equals `path`, or null.
TESSERA_API CDataBase* AfxGetDataBase(const char* path);

// Destroys the first listed database of `path` and removes it from the
// list; with null, destroys every listed database.
TESSERA_API void AfxReleaseDataBase(const char* path);

namespace tessera {
// Number of entries in the database list (tests).
size_t DataBaseListSize();
}  // namespace tessera

#pragma GCC visibility pop
#endif
