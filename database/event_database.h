// The events of each scene, EVENTTABLE.  The engine itself does not read
// it; map objects carry event records the game hands them (CMapEvent,
// gui/map/map_event.h).
//
//   CEventDataBase events("game\\game.mdb");
//   long n = events.GetEventNumInScene(mapId);
//   std::vector<stEventInfo> list(n);
//   events.GetEventInScene(list.data());
#ifndef TESSERA_DATABASE_EVENT_DATABASE_H
#define TESSERA_DATABASE_EVENT_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "database/record_set.h"

class CDataBase;

// One EVENTTABLE row.  Zero-filled when constructed.
struct stEventInfo {
  int32_t nID = 0;  // assigned by the database
  int32_t nSceneID = 0;
  int32_t nEventType = 0;
  int32_t nFilePos = 0;
  char szExplain[100] = {};
};

class CEventDataBase {
 public:
  explicit CEventDataBase(const char* path);
  virtual ~CEventDataBase();

  bool GetEventInfo(int id, stEventInfo& info);
  // Updates the four columns after ID; an unknown id shows
  // "没有这个事件 id = %d".
  bool SetEventInfo(int id, const stEventInfo& info);
  // Always inserts a new row.
  bool AddEvent(const stEventInfo& info);
  bool DelEvent(int id);
  bool DelAllEvent();
  // Opens the iteration over one scene's events: their number.  0 when the
  // query cannot run, and then nothing changes.
  long GetEventNumInScene(long sceneId);
  // Every event of the open scene into out[0 .. count-1]; false when none is
  // open or this was done already for the latest GetEventNumInScene.
  bool GetEventInScene(stEventInfo* out);
  bool DelEventInScene(long sceneId);

  CDataBase* m_pDataBase;
  tessera::RecordsetPtr m_pRecordset;
  bool m_bBrowsing;
  int32_t m_nCount;
  char m_szSQL[512];
};

#pragma GCC visibility pop
#endif
