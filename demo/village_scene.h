// The village scene of the sample game: images loaded by pack identifier
// through the display manager, drawn onto its render surface frame by frame.
#ifndef TESSERA_DEMO_VILLAGE_SCENE_H
#define TESSERA_DEMO_VILLAGE_SCENE_H

#include <string>
#include <vector>

#include "engine/surface.h"

class CVIEWMANAGE;
class DIBSURFACE;

namespace demo {

class VillageScene {
 public:
  // Loads every image of the scene; false (with the missing identifier in
  // `error`) when one cannot be loaded.
  bool Load(CVIEWMANAGE* vm, std::string* error);
  ~VillageScene();

  // Draws frame `tick` onto `frame` (800 x 600).
  void Draw(DIBSURFACE* frame, int tick);

  // A click at (x, y): a ripple appears there.
  void Click(int x, int y, int tick);

 private:
  SURFACE* Get(const char* id, SURFACE_STYLE style);

  CVIEWMANAGE* vm_ = nullptr;
  std::vector<SURFACE*> loaded_;
  SURFACE *grass_ = nullptr, *road_ = nullptr, *sign_ = nullptr, *ghost_ = nullptr, *plate_ = nullptr;
  SURFACE *fog_ = nullptr, *lamp_ = nullptr, *banner_ = nullptr, *flag_ = nullptr;
  SURFACE* hero_[4] = {};
  SURFACE* elder_[4] = {};
  struct Ripple {
    int x, y, tick;
  };
  std::vector<Ripple> ripples_;
};

}  // namespace demo

#endif
