// The title screen: the village at dusk behind the game's name, fading in
// from black, with its own tune and a menu: new game, continue, settings,
// quit.  The settings page changes the two volumes and full screen.
#ifndef TESSERA_DEMO_TITLE_SCENE_H
#define TESSERA_DEMO_TITLE_SCENE_H

#include <memory>
#include <string>

class QBtMenu;
class SURFACE;

namespace demo {

class Game;

class TitleScene {
 public:
  explicit TitleScene(Game* game);
  ~TitleScene();
  // Loads the pictures and shows the menu; false with the missing one.
  bool Load(std::string* error);
  // The picture behind the menu (the chain manager draws the menu after).
  void Draw(SURFACE* target);

  enum Entry {
    kNewGame,
    kContinue,
    kSettings,
    kQuit,
    kMusic,
    kEffects,
    kFullScreen,
    kBack,
    kEntries
  };
  // What a menu entry does (a click on it, or the script's key).
  void Choose(int entry);
  bool InSettings() const { return settings_page_; }

 private:
  void ShowPage(bool settings);
  std::string Caption(int entry) const;

  Game* game_;
  SURFACE* back_ = nullptr;
  void Refresh();
  std::unique_ptr<QBtMenu> main_menu_;      // new game, continue, settings, quit
  std::unique_ptr<QBtMenu> settings_menu_;  // music, effects, full screen, back
  bool settings_page_ = false;
  std::string notice_;  // a line under the menu ("no saved game" ...)
  int notice_frame_ = 0;
};

}  // namespace demo

#endif
