// QSmallMap: the mini-map -- a reduced picture of the whole map in a corner
// of the screen, coloured discs for the objects the game chooses to show,
// and a white frame around the part the main view shows.  It is drawn
// translucently over the scene (level 20 of 32), and a click on it centres
// the main view on the clicked place.
//
//   auto* mini = new QSmallMap;
//   mini->Init(map, "SmallMap01", {600, 0, 800, 150});   // joins layer 2
//   mini->AddDispObject(hero, 3, PIXEL(255, 255, 0));    // a yellow disc
//   // the map deletes its mini-map
//
// Positions scale by the mini-map's size over the map's size in pixels,
// each product divided with truncation.
#ifndef TESSERA_GUI_MAP_SMALL_MAP_H
#define TESSERA_GUI_MAP_SMALL_MAP_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <list>

#include "engine/pixel.h"
#include "gui/area.h"
#include "public/windows_types.h"

class CMapObject;
class QMap;
class SURFACE;

class QSmallMap : public QArea {
 public:
  // One object shown as a disc.
  struct stDispObject {
    CMapObject* pObject;  // not owned
    int32_t nRadius;      // pixels
    PIXEL Color;
  };

  // No map, no surfaces, no marks.
  QSmallMap();
  // Releases both surfaces and the marks; a map that still names this
  // mini-map forgets it.
  ~QSmallMap() override;

  // Composes the overlay (picture, discs, view frame) and draws it
  // translucently at the area's top-left.  Nothing without both surfaces.
  void Show(SURFACE* target) override;

  // Links the mini-map to `map` (which then owns and deletes it), takes the
  // rectangle (right and bottom are the far edges: the size is right - left
  // by bottom - top), loads the reduced picture `pictureId` through the
  // surface cache, makes the overlay and joins chain layer 2.  True when
  // that worked and both surfaces exist.
  virtual bool Init(QMap* map, const char* pictureId, const tagRECT& rect);
  // False when the object has a mark already.
  virtual bool AddDispObject(CMapObject* object, long radius, const PIXEL& colour);
  // False when the object has no mark.
  virtual bool DelDispObject(CMapObject* object);
  // Removes every mark; the objects are untouched.
  virtual void DelAllObject();

  int GetWidth() { return m_rcArea.right - m_rcArea.left; }
  int GetHeight() { return m_rcArea.bottom - m_rcArea.top; }
  QMap* GetMap() { return m_pMap; }
  SURFACE* GetOverlay() { return m_pOverlay; }
  std::list<stDispObject>& GetDispList() { return m_DispList; }

  QMap* m_pMap = nullptr;  // not owned
  std::list<stDispObject> m_DispList;
  SURFACE* m_pPicture = nullptr;  // the reduced map, from the surface cache
  SURFACE* m_pOverlay = nullptr;  // composed every frame, the area's size

 private:
  static void OnClick(void* area);
  void ReleaseSurfaces();
};

#pragma GCC visibility pop
#endif
