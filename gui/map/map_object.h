// CMapObject: anything placed on a tile map (gui/map/map.h) -- characters,
// goods, doors, signs.
//
// An object stands on one cell (the standing cell) and its picture starts
// at another (the draw cell, up and to the left for a tall picture); its
// area is the picture's rectangle in map pixels.  The map sorts objects by
// the standing cell's corner on the screen, so a figure lower on the screen
// covers the ones behind it.  An object may carry an animated picture
// (CMapSprite), a speech bubble (a QDialog in chain layer 1), events from
// the game database, timers (CMapTimer) and eight input callbacks that the
// map manager calls with the object.
//
//   CMapObject* sign = new CMapObject;
//   sign->Init(7, "sign", map, nullptr);
//   sign->m_rcArea = {0, 0, 32, 64};        // picture size: one cell by two
//   sign->SetDrawPoint({4, 2});              // picture's top-left cell ...
//   sign->MoveTo(4, 3);                      // ... standing on the cell below
//   sign->LoadImageA("signpost00");          // one frame from the pack
//   sign->m_pfnCallBack[5] = OnSignClicked;  // void OnSignClicked(void* object)
//   map->AddObject(sign);                    // the map owns it now
//
// Coordinates: cells (column, row); map pixels = cell x unit size; view
// pixels = map pixels - the map's view origin (see QMap).
#ifndef TESSERA_GUI_MAP_MAP_OBJECT_H
#define TESSERA_GUI_MAP_MAP_OBJECT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <list>

#include "gui/area.h"
#include "gui/map/map_event.h"
#include "gui/map/map_timer.h"
#include "public/windows_types.h"

class QMap;
class QDialog;
class CMapSprite;
class DxSoundBuffer;
class SURFACE;

enum enMapObjectType : int32_t {
  MOT_OBJECT = 0,  // a plain object
  MOT_PLAYER = 1,  // a walking character
  MOT_GOODS = 2,   // goods from the goods table
  MOT_TALKER = 4,  // a character that talks when clicked (set by the game)
};

enum enMapObjectState : int32_t {
  MOS_HIDE = 0,    // not drawn, not hit
  MOS_SHOW = 1,    // drawn and hit
  MOS_HIDDEN = 2,  // not drawn, not hit
};

class CMapObject : public CMapTimer {
 public:
  CMapObject();
  // Deletes the sprite, leaves the map manager's current map, deletes the
  // bubble, the sounds and every event.
  ~CMapObject() override;

  CMapObject(const CMapObject&) = delete;
  CMapObject& operator=(const CMapObject&) = delete;

  // Draws the sprite, when there is one, at the relative area's top-left
  // (it first calls Move there); `effect` draws it with the second opacity
  // plane.
  virtual void Show(SURFACE* target, bool effect);
  // Moves the sprite to (x, y) and the bubble to (x - dx, y - dy), where
  // (dx, dy) is the bubble offset.
  virtual void Move(int x, int y);
  // Stores id and map, and the name when it has at most 32 characters.
  // `info` is for subclasses.  True.
  virtual bool Init(long id, const char* name, QMap* map, void* info);
  // One frame `id` (plain) into the sprite, made if missing.
  virtual bool LoadImageA(const char* id);
  // The game's event hooks, called by CMapEvent::OnEvent (BeEvent).  Both
  // return true here.
  virtual bool BeEvent(CMapObject* other, enMapEvent type);
  virtual bool DoEvent(CMapObject* other, enMapEvent type);
  // Whether the view point (x, y) hits the object: shown, strictly inside
  // the relative area, and -- with a sprite -- on a pixel of its current
  // frame that is not transparent.
  virtual bool IsPointed(int x, int y);
  // The most recently added event, or null.
  virtual CMapEvent* GetNextEvent();
  // A copy of the event list, in order.
  virtual std::list<CMapEvent*> GetActiveEventList();
  // Stores the state; the bubble follows: 1 shows it, 0 and 2 hide it.
  virtual void SetState(enMapObjectState state);

  // `count` sound buffers on the engine's sound device; `name` is not used.
  bool LoadSound(const char* name, int count);

  tagPOINT GetNowPoint() { return m_ptNowPoint; }
  tagPOINT GetDrawPoint() { return m_ptDrawPoint; }
  // Sets the draw cell only.
  void SetDrawPoint(const tagPOINT& p) { m_ptDrawPoint = p; }
  // Draw cell - standing cell.
  tagPOINT GetDrawPointOffset();
  tagRECT GetArea() { return m_rcArea; }
  // The area in view pixels.
  tagRECT GetRelativeArea();
  // The standing cell's top-left corner in view pixels (at rest): the
  // point the map sorts by.
  tagPOINT GetRelativeTruePoint();
  // Puts the object on cell (x, y): the draw cell moves with it, the area
  // follows the draw cell, then Move(area.left, area.top).  True.
  bool MoveTo(int x, int y);

  bool AddEvent(CMapEvent* event);
  // Deletes the event object (not its record) and removes it.
  bool DelEvent(CMapEvent* event);
  void DelAllEvent();
  bool IsHaveEvent(enMapEvent type);
  std::list<CMapEvent*>& GetEventList() { return m_EventList; }

  unsigned long GetId() { return m_dwID; }
  void SetId(unsigned long id) { m_dwID = static_cast<uint32_t>(id); }
  const char* GetName() { return m_szName; }
  // Ignores null and names longer than 32 characters.
  void SetName(const char* name);
  enMapObjectType GetType() { return m_nType; }
  enMapObjectState GetState() { return m_nState; }
  const char* GetPicinfo() { return m_szPicInfo; }
  const char* GetShadowinfo() { return m_szShadowInfo; }
  QMap* GetMap() { return m_pMap; }
  CMapSprite* GetSprite() { return m_pSprite; }

  QMap* m_pMap;    // not owned
  int m_nBubbleX;  // the bubble sits at (x - m_nBubbleX, y - m_nBubbleY)
  int m_nBubbleY;
  CMapSprite* m_pSprite;  // owned, or null
  char m_szPicInfo[32];
  int m_nPicNum;    // frames of the goods picture
  int m_nUseAlpha;  // 0 plain, 1 layered image, 2 double alpha
  char m_szShadowInfo[32];
  std::list<CMapEvent*> m_EventList;  // owned
  tagPOINT m_ptNowPoint;              // standing cell, starts (10, 10)
  tagPOINT m_ptDrawPoint;             // cell of the picture's top-left corner
  uint32_t m_dwID;
  enMapObjectType m_nType;
  char m_szName[33];
  tagRECT m_rcArea;  // map pixels, right and bottom exclusive
  enMapObjectState m_nState;
  DxSoundBuffer* m_pSound;  // owned array (new[]), or null
  int m_nSoundNum;
  QDialog* m_pBubble;  // owned, or null
  // 0 the game's; 1 mouse enter; 2 mouse leave; 5 click; 3, 4, 6, 7 the
  // map area's events 2, 3, 4 and 1.  Each starts as DoNothing.
  AREA_CALLBACK m_pfnCallBack[8];
};

#pragma GCC visibility pop
#endif
