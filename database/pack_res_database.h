// The resource index RESTABLE: for each resource identifier, the pack file
// that holds its bytes and their range in it.
#ifndef TESSERA_DATABASE_PACK_RES_DATABASE_H
#define TESSERA_DATABASE_PACK_RES_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

class CDataBase;

// One RESTABLE row.  Zero-filled when constructed.
struct stPackResInfo {
  char szID[11] = {};         // identifier, at most 10 bytes
  char szPackName[257] = {};  // pack name as RegistPack knows it
  int32_t nStart = 0;         // offset of the first byte in the pack file
  int32_t nEnd = 0;           // offset just past the last byte
};

class CPackResDataBase {
 public:
  // Looks the database up with AfxGetDataBase(path); opens nothing.
  explicit CPackResDataBase(const char* path);
  virtual ~CPackResDataBase();

  // Adds a row, or for an identifier that exists updates its pack name and
  // range (true whatever the update gives).
  bool AddRes(const stPackResInfo& info);
  // Updates the pack name and range of the row `id`; false without a row.
  bool SetResInfo(const char* id, const stPackResInfo& info);
  // Reads the row `id` into `info`; false (info untouched) when there is
  // none or it cannot be read.
  bool GetResInfo(const char* id, stPackResInfo& info);
  bool DelRes(const char* id);
  bool DelAllRes();

  char m_szSQL[512];
  CDataBase* m_pDataBase;
};

#pragma GCC visibility pop
#endif
