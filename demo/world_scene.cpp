#include "demo/world_scene.h"

#include "demo/game.h"
#include "demo/village_scene.h"
#include "engine/dib_surface.h"

namespace demo {

WorldScene::WorldScene(Game* game) : game_(game) {}

WorldScene::~WorldScene() = default;

bool WorldScene::Load(std::string* error) {
  village_ = std::make_unique<VillageScene>();
  game_->PlayMusic(game_->State().map == kHouse ? "house" : "village");
  return village_->Load(game_->View(), error);
}

void WorldScene::Draw(SURFACE* target) {
  village_->Draw(static_cast<DIBSURFACE*>(target), game_->FrameNumber());
}

bool WorldScene::Key(int key) {
  if (key == 116) return game_->SaveNow();  // F5
  return false;
}

}  // namespace demo
