// The list of source files that belong into packs, FILETABLE.  The engine
// creates this table object but does not use it itself; it is there for the
// game program and the tools.
#ifndef TESSERA_DATABASE_PACK_FILE_DATABASE_H
#define TESSERA_DATABASE_PACK_FILE_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "database/record_set.h"

class CDataBase;

// One FILETABLE row.  Zero-filled when constructed.
struct stPackFileInfo {
  char szID[11] = {};
  char szType[4] = {};
  char szPackName[13] = {};
  uint8_t bPacked = 0;  // 0 or 1
  char szPath[129] = {};
  char szExplain[41] = {};
};

class CPackFileDataBase {
 public:
  explicit CPackFileDataBase(const char* path);
  virtual ~CPackFileDataBase();

  // Adds a row; false when the identifier exists already (the row is kept).
  bool AddFile(const stPackFileInfo& info);
  // Updates every column of row `id`; a different info.szID renames the row
  // when no row has that identifier yet.
  bool SetFileInfo(const char* id, const stPackFileInfo& info);
  bool GetFileInfo(const char* id, stPackFileInfo& info);
  bool DelFile(const char* id);
  bool DelAllFile();
  bool EnablePacked(const char* id, bool packed);

  // Opens an iteration over the rows of a pack (null: every pack) that are
  // packed (1), not packed (0) or either (-1); the number of rows.  Any
  // other `packed` gives 0 and changes nothing.
  long GetSourceNum(const char* packName, int packed);
  bool GetSourceFirstFile(stPackFileInfo& info);
  bool GetSourceNextFile(stPackFileInfo& info);

  char m_szSQL[512];
  CDataBase* m_pDataBase;
  tessera::RecordsetPtr m_pRecordset;
  bool m_bBrowsing;
};

#pragma GCC visibility pop
#endif
