#include "gui/map/map_event.h"

#include "database/event_database.h"
#include "gui/map/map_object.h"

CMapEvent::CMapEvent() : m_pEventInfo(nullptr) {}

CMapEvent::~CMapEvent() = default;

bool CMapEvent::OnEvent(CMapObject* object, CMapObject* other) {
  if (!object) return false;
  return object->BeEvent(other, GetType());
}

enMapEvent CMapEvent::GetType() {
  return m_pEventInfo ? static_cast<enMapEvent>(static_cast<stEventInfo*>(m_pEventInfo)->nID)
                      : enMapEvent(0);
}

long CMapEvent::GetMapId() {
  return m_pEventInfo ? static_cast<stEventInfo*>(m_pEventInfo)->nSceneID : 0;
}

long CMapEvent::GetEventId() {
  return m_pEventInfo ? static_cast<stEventInfo*>(m_pEventInfo)->nEventType : 0;
}
