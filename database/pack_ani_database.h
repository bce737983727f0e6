// The animation frames ANITABLE.  An animation of n frames is n rows whose
// identifiers are an 8-character base followed by the frame number in two
// digits ("00" up); frame "00" carries n in NUMBER.
#ifndef TESSERA_DATABASE_PACK_ANI_DATABASE_H
#define TESSERA_DATABASE_PACK_ANI_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "database/record_set.h"

class CDataBase;

// One ANITABLE row.  Zero-filled when constructed.
struct stPackAniInfo {
  char szID[12] = {};  // at most 11 bytes
  int32_t nDelay = 0;
  int32_t nNumber = 0;
  int32_t nX = 0;
  int32_t nY = 0;
  int32_t nSX = 0;
  int32_t nSY = 0;
  uint8_t bAutoStop = 0;  // 0 or 1
  char szImageType[7] = {};
};

class CPackAniDataBase {
 public:
  explicit CPackAniDataBase(const char* path);
  virtual ~CPackAniDataBase();

  // Adds a row, or updates the row of an existing identifier (the update's
  // result).
  bool AddAni(const stPackAniInfo& info);
  bool SetAniInfo(const char* id, const stPackAniInfo& info);
  bool GetAniInfo(const char* id, stPackAniInfo& info);
  bool DelAni(const char* id);
  bool DelAllAni();

  // Opens an iteration over the rows of `id`, or over every row in
  // identifier order when `id` is null or empty; the number of rows.
  long GetNumFromID(const char* id);
  bool GetFirstAniFromID(stPackAniInfo& info);
  bool GetNextAniFromID(stPackAniInfo& info);
  // From the first frame of one animation to the first frame of the next.
  bool SkipToNext();
  // Reads the current row without moving.
  bool GetOneAni(stPackAniInfo& info);

  char m_szSQL[512];
  CDataBase* m_pDataBase;
  tessera::RecordsetPtr m_pRecordset;
  bool m_bBrowsing;
};

#pragma GCC visibility pop
#endif
