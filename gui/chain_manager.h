// CChainManager: the three layers of the GUI.
//
// Layer 0 holds the scene (the map manager), layer 1 the pop-ups that belong
// to it (speech bubbles), layer 2 the interface.  The manager draws the
// layers bottom to top, finds the area under the mouse from the top layer
// down, raises the mouse-in and mouse-out callbacks, and tells the mouse
// cursor when the pointer has rested long enough (400 ms) for a tip.
//
//   CChainManager* chains = AfxGetChainManager();
//   chains->Add(panel, CHAIN_TOP);          // panel->SetState(1, layer 2)
//   on mouse move:  mouse->SetMousePos(x, y); chains->RefreshAll();
//   each frame:     chains->ShowAll(frame); mouse->Show(); vm->UpdateScreen();
#ifndef TESSERA_GUI_CHAIN_MANAGER_H
#define TESSERA_GUI_CHAIN_MANAGER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "public/export.h"

class QArea;
class QAreaChain;
class SURFACE;

enum enChainLayer : int32_t {
  CHAIN_BOTTOM = 0,  // the scene
  CHAIN_MIDDLE = 1,  // the scene's pop-ups
  CHAIN_TOP = 2,     // the interface
};

class CChainManager {
 public:
  // The three chains, and the current time as the last refresh.
  CChainManager();
  virtual ~CChainManager();

  CChainManager(const CChainManager&) = delete;
  CChainManager& operator=(const CChainManager&) = delete;

  // area->SetState(1, chain of the layer): true; false for another layer.
  bool Add(QArea* area, enChainLayer layer);
  // area->SetState(4, chain of the layer) for layers 0 to 2; true always.
  bool Delete(QArea* area, enChainLayer layer);
  // DeleteAll of layers 0, 1, 2.
  void DeleteAll();
  // Draws layers 0, 1, 2 onto target, then sets the mouse cursor's tip
  // flag to NeedTip().  The mouse cursor must exist.
  void ShowAll(SURFACE* target);
  // Hit test at the mouse cursor's position from layer 2 down, with
  // mouse-out and mouse-in callbacks; restarts the tip delay.  A position
  // off the screen (or no cursor at all) changes nothing else.
  void RefreshAll();
  // More than 400 ms since the last refresh.
  bool NeedTip();
  // Places the run-length pictures the layers draw now (each area's
  // DrawnPicture: a button's current look) together in memory, in drawing
  // order; see RLESURFACE::PlaceTogether.  Meant for after a screen is
  // built: a frame of many buttons then reads its pictures as one stretch
  // instead of from wherever loading left them, and takes about a sixth
  // less time.  Pictures that change later (a hovered look) draw as before
  // from where they are.  False when the memory for it is lacking; nothing
  // changes then.
  bool PlacePicturesTogether();

  // The chain of a layer (0 to 2), null for others; for the game and tests.
  QAreaChain* GetChain(int layer);

 private:
  bool RefreshAreaChain(QAreaChain* chain);

  QAreaChain* m_pChain[3];
  uint32_t m_dwLastRefresh;
};

// The engine's chain manager, made on the first call and kept until the
// process ends.
TESSERA_API CChainManager* AfxGetChainManager(void);

#pragma GCC visibility pop
#endif
