// The characters of a game and their picture sets, PERSONTABLE.  The engine
// itself does not read it; it is there for the game program.
//
//   CPersonDataBase persons("game\\game.mdb");
//   stPersonInfo p;
//   for (bool ok = persons.GetAllNum() && persons.GetAllFirstPerson(p); ok;
//        ok = persons.GetAllNextPerson(p)) ...
#ifndef TESSERA_DATABASE_PERSON_DATABASE_H
#define TESSERA_DATABASE_PERSON_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "database/record_set.h"

class CDataBase;

// One PERSONTABLE row.  Zero-filled when constructed.  The picture columns
// follow the character states: standing, walking, running, attacking.
struct stPersonInfo {
  int32_t nID = 0;  // assigned by the database
  char szName[32] = {};
  char szExplain[100] = {};
  int32_t nWidth = 0;
  int32_t nHeight = 0;
  int32_t nDrawXOffset = 0;
  int32_t nDrawYOffset = 0;
  int32_t nType = 0;
  int32_t nState = 0;
  char szStandPic[32] = {};
  char szWalkPic[32] = {};
  char szRunPic[32] = {};
  char szAttackPic[32] = {};
  int32_t nStandPicNum = 0;
  int32_t nWalkPicNum = 0;
  int32_t nRunPicNum = 0;
  int32_t nAttackPicNum = 0;
};

class CPersonDataBase {
 public:
  explicit CPersonDataBase(const char* path);
  virtual ~CPersonDataBase();

  // nID from `id`.
  bool GetPersonInfo(int id, stPersonInfo& info);
  // nID from the row, szName from `name`.
  bool GetPersonInfo(const char* name, stPersonInfo& info);
  // Updates every column but ID; an unknown key gives false without a
  // message.  The set by name can rename.
  bool SetPersonInfo(int id, const stPersonInfo& info);
  bool SetPersonInfo(const char* name, const stPersonInfo& info);
  // Inserts, or updates the person of the same name (then true).
  bool AddPerson(const stPersonInfo& info);
  bool DelPerson(int id);
  bool DelPerson(const char* name);
  bool DelAllPerson();

  // Opens the iteration over every person: their number, 0 when the query
  // cannot run.
  long GetAllNum();
  // The first person of the iteration (again from the start on every call).
  bool GetAllFirstPerson(stPersonInfo& info);
  // The next one; false after the last.
  bool GetAllNextPerson(stPersonInfo& info);

  char m_szSQL[512];
  CDataBase* m_pDataBase;
  tessera::RecordsetPtr m_pRecordset;
};

#pragma GCC visibility pop
#endif
