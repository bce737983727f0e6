// CMapPlayer: a walking character on a tile map -- the player's own figure
// or anybody else.
//
// Its picture is composed every frame from up to six equipment layers
// (gui/map/equip_list.h) chosen by state, direction and animation frame.
// It walks cell by cell along the paths of its own CPathFinder, moving two
// pixels a frame toward the next cell in one of eight directions and
// turning to face each step; the walking itself happens inside Show, so a
// character moves exactly as often as the map is drawn.  It carries a
// speech bubble, and a character whose type the game sets to 4 answers a
// click with a random line and comes over to the player.
//
//   CMapPlayer* hero = new CMapPlayer;
//   hero->Init(1, "hero", map, nullptr);      // six layers of role 0, item 0
//   hero->GetEquip(2)->SetCurColor(PIXEL(40, 90, 200));
//   hero->QuickMove(12, 9);                   // stand on cell (12, 9)
//   map->AddObject(hero); map->SetMySelf(hero);
//   hero->WalkTo(20, 14, false);              // walks on as the map is drawn
//
// Directions, clockwise from up: 0 up, 1 up-right, 2 right, 3 down-right,
// 4 down, 5 down-left, 6 left, 7 up-left.
//
// A character keeps a pointer to the map it was made for (its path finder
// follows that map's cells): delete it before that map, or let the map
// delete it.
//
// All characters animate in step: one frame counter, its last advance and
// the last state composed into a hit picture are shared by the process.
#ifndef TESSERA_GUI_MAP_MAP_PLAYER_H
#define TESSERA_GUI_MAP_MAP_PLAYER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/map/equip_list.h"
#include "gui/map/map_object.h"

class CPathFinder;
class CPlayerEquip;

enum enPlayerState : int32_t {
  PS_STAND = 0,
  PS_WALK = 1,  // the only state that moves the character
  PS_RUN = 2,
  PS_ATTACK = 3,
};

class CMapPlayer : public CMapObject {
 public:
  // Type 1, standing, move state 1; the click callback (5) is BeClicked.
  CMapPlayer();
  ~CMapPlayer() override;

  // Places the character (LoadPerson), stands it on cell (20, 20), makes
  // its speech bubble in chain layer 1, gives the path finder the map's
  // cells, faces a random direction and makes the hit picture the size of
  // part 0's first standing frame.  False only when LoadPerson fails.
  bool Init(long id, const char* name, QMap* map, void* info) override;
  // Advances the walk by one frame and draws the layers; see the .cpp.
  void Show(SURFACE* target, bool flag) override;
  // Shown, strictly inside the relative area, and on a pixel of the hit
  // picture that is not COLOR_KEY.
  bool IsPointed(int x, int y) override;

  // Starts one step to the neighbouring cell (x, y): faces it and sets the
  // step going.  A cell further away shows "不能一次移动跨越一格的范围"
  // and is refused.  (This hides CMapObject::MoveTo, which QuickMove
  // calls.)
  virtual bool MoveTo(int x, int y);
  // Moves the step in progress by `pixels` in the facing direction; when
  // the picture reaches the next cell the step ends there.  Nothing unless
  // the unit size is a multiple of `pixels`.
  virtual void MovePlayer(int pixels);
  // Stands the character on cell (x, y) at once: no path, no animation.
  virtual bool QuickMove(int x, int y);
  // Called with true when a walk ends.  Empty; for the game.
  virtual void OnArriveTarget(bool arrived);

  // The picture box: standing cell (0, 0), draw cell (-3, -5), an area of
  // 7 x 7 cells; then the six layers (role, item 0, part 0..5).  True.
  bool LoadPerson(long role, const char* name);
  // A layer (role, item, part) tinted (128, 0, 128); false when the list
  // refuses it (another role than the character's).
  bool AddEquip(long role, long item, long part);
  bool DelEquip(long part) { return m_EquipList.DelEquip(part); }
  CPlayerEquip* GetEquip(long part) { return m_EquipList.GetEquip(part); }
  CEquipList& GetEquipList() { return m_EquipList; }

  // Walks to cell (x, y) along a searched path.  False for the standing
  // cell, for a cell outside the grid, and while walking without `force`:
  // then (x, y) is kept and taken up when the current step ends.
  bool WalkTo(int x, int y, bool force);
  // The draw cell the current step ends on.
  tagPOINT GetNextDrawPoint();
  bool IsMoving() { return m_nPlayerState == PS_WALK; }
  bool IsEndOfStep() { return m_bEndOfStep; }
  // The base drawing: only a sprite loaded with LoadImageA.
  void ReDraw(SURFACE* target, bool flag) { CMapObject::Show(target, flag); }
  void OutPutInfo() {}

  long GetRoleType() { return m_nRoleType; }
  // The role whose pictures the layers must show.  Layers already in the
  // list stay; new ones must be of this role.
  void SetRoleType(long role) { m_nRoleType = static_cast<int32_t>(role); }
  int GetDirection() { return m_nDirection; }
  void SetDirection(int direction) { m_nDirection = direction; }
  enPlayerState GetPlayerState() { return m_nPlayerState; }
  void SetPlayerState(enPlayerState state) { m_nPlayerState = state; }
  enPlayerState GetMoveState(enPlayerState = PS_STAND) { return m_nMoveState; }
  void SetMoveState(enPlayerState state) { m_nMoveState = state; }
  bool IsHighColorShow() { return m_bHighColor; }
  void SetHighColorShow(bool on) { m_bHighColor = on; }
  CPathFinder* GetPathFinder() { return m_pPathFinder; }
  SURFACE* GetHitSurface() { return m_pHitSurface; }

  // Callback 5: a character of type 4 says a random line, the player calls
  // it over, and it walks to the cell diagonally below-right of the player.
  static void BeClicked(void* object);

  int32_t m_nRoleType = 0;
  int m_nDirection = 0;
  enPlayerState m_nPlayerState = PS_STAND;
  enPlayerState m_nMoveState = PS_WALK;
  tagPOINT m_ptNextPoint{0, 0};
  tagPOINT m_ptTargetPoint{0, 0};
  bool m_bEndOfStep = true;
  CPathFinder* m_pPathFinder;    // owned
  tagPOINT m_ptPending{-1, -1};  // a walk asked for while walking
  CEquipList m_EquipList;
  int m_nFrameDelay[4] = {150, 150, 150, 150};  // ms per frame, per state
  SURFACE* m_pHitSurface = nullptr;             // owned
  bool m_bHighColor = false;

 protected:
  // The drawing order of the six parts for a direction, in one
  // process-wide array (other directions leave it as it is).
  long* SortEquipByDirection(int direction);
};

namespace tessera {
// The eight lines a type-4 character says when clicked (GBK).
extern const char* const kChatterLines[8];
// The shared animation frame counter.
long SharedPlayerFrame();
}  // namespace tessera

#pragma GCC visibility pop
#endif
