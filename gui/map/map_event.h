// CMapEvent: one event record of the game database (stEventInfo,
// database/event_database.h) attached to a map object.
//
// The event does not own its record; the game keeps the records (for
// instance the array GetEventInScene filled) alive while events point at
// them.  OnEvent hands the event to the object's first event hook, BeEvent.
//
//   CMapEvent* e = new CMapEvent;
//   e->SetEventInfo(&records[i]);
//   door->AddEvent(e);                     // the door owns the event now
//   door->GetNextEvent()->OnEvent(door, player);   // door->BeEvent(player, type)
#ifndef TESSERA_GUI_MAP_MAP_EVENT_H
#define TESSERA_GUI_MAP_MAP_EVENT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

class CMapObject;

// An event's type as handed to the event hooks.  Its values belong to the
// game: write them as enMapEvent(n).
enum enMapEvent : int32_t {};

class CMapEvent {
 public:
  CMapEvent();
  // Leaves the record alone.
  virtual ~CMapEvent();
  CMapEvent(const CMapEvent&) = default;
  CMapEvent& operator=(const CMapEvent&) = default;

  // The object's first event hook (BeEvent) called with (other, GetType()).
  // False without an object.
  virtual bool OnEvent(CMapObject* object, CMapObject* other);

  // The record (an stEventInfo), not owned.
  void SetEventInfo(void* info) { m_pEventInfo = info; }
  void* GetEventInfo() { return m_pEventInfo; }
  // The record's first field, nID: the event's type is its row identifier.
  // 0 without a record.
  enMapEvent GetType();
  // The record's nSceneID.
  long GetMapId();
  // The record's nEventType.
  long GetEventId();

  void* m_pEventInfo;
};

#pragma GCC visibility pop
#endif
