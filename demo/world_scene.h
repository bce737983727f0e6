// The world: the village and the inside of the elder's house, with the
// player, the villagers, the quest and the interface around the map.
#ifndef TESSERA_DEMO_WORLD_SCENE_H
#define TESSERA_DEMO_WORLD_SCENE_H

#include <memory>
#include <string>

class SURFACE;

namespace demo {

class Game;
class VillageScene;

class WorldScene {
 public:
  explicit WorldScene(Game* game);
  ~WorldScene();
  // Builds the map of the game state's map with everything on it.
  bool Load(std::string* error);
  void Draw(SURFACE* target);
  // A key the interface did not take (F5 save ...); true when used.
  bool Key(int key);

 private:
  Game* game_;
  std::unique_ptr<VillageScene> village_;
};

}  // namespace demo

#endif
