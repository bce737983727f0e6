// The sample game: a title screen, a village and the inside of a house,
// with a small quest, settings and saving.
//
// The game owns the engine's services for its run and everything on the
// screen.  It is driven from outside (main.cpp) one frame at a time, and it
// hears the player through window messages only -- from a real window or
// from a script -- so both paths run the same code:
//
//   demo::Game game(window, data_folder, log);
//   if (!game.Start(&error)) ...
//   while (!game.Finished()) { ...deliver messages...; game.Frame(); }
#ifndef TESSERA_DEMO_GAME_H
#define TESSERA_DEMO_GAME_H

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "demo/game_state.h"
#include "demo/settings.h"
#include "public/windows_types.h"

class CDataBase;
class CFader;
class CVIEWMANAGE;
class DIBSURFACE;
class SURFACE;

namespace demo {

class TitleScene;
class WorldScene;

class Game {
 public:
  // `data` is a data set made by tessera-demo-data (a folder path ending
  // in '/').  Everything the run does worth knowing goes to `log`.
  Game(HWND window, std::string data, std::ostream& log);
  ~Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // Creates the engine's services and shows the title screen.  False with
  // the reason when the data set is missing or incomplete.
  bool Start(std::string* error);

  // The game's window procedure's work: mouse, keys, focus and music.
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // Draws and presents one frame.
  void Frame();

  // The hash of the frame last drawn (FNV-1a over its pixels).
  uint64_t FrameHash() const;

  // Where the world stands ("view X Y hero X Y"), empty on the title.
  std::string Describe() const;

  // The player chose "quit" (or the window is closing).
  bool Finished() const { return finished_; }
  void Quit() { finished_ = true; }

  // --- what the scenes share
  CVIEWMANAGE* View() const { return vm_; }
  CDataBase* Database() const { return db_; }
  const std::string& Data() const { return data_; }
  std::ostream& Log() { return log_; }
  int FrameNumber() const { return frame_; }
  GameState& State() { return state_; }
  Settings& Config() { return settings_; }

  // Scene changes (take effect at the start of the next frame).
  void ShowTitle();
  void StartWorld(const GameState& state);
  // Saves into slot 1 and says so on the log; false when it failed.
  bool SaveNow();
  // Continues from slot 1; false when there is no usable save.
  bool ContinueSaved();
  void ToggleFullScreen();
  // Plays a wave file of the data set ("wav\\NAME.WAV") at a volume in
  // hundredths of a decibel and a pan.
  void PlayEffect(const char* name, int volume = 0, int pan = 0);
  // Plays the tune of the data set ("music\\NAME.mid"), looping.
  void PlayMusic(const char* name);

 private:
  void KeyDown(int key, bool alt);
  bool HandKey(UINT message, WPARAM wparam);
  void SwitchScene();

  HWND window_;
  std::string data_;
  std::ostream& log_;
  CVIEWMANAGE* vm_ = nullptr;
  CDataBase* db_ = nullptr;
  GameState state_;
  Settings settings_;
  std::unique_ptr<TitleScene> title_;
  std::unique_ptr<WorldScene> world_;
  enum class Next { kNone, kTitle, kWorld } next_ = Next::kNone;
  GameState next_state_;
  bool finished_ = false;
  int frame_ = 0;
  bool alt_down_ = false;
  std::string music_;
  // A new scene comes in by a cross-fade: it is drawn off screen (canvas_)
  // and blended over the last frame in 32 steps.
  SURFACE* canvas_ = nullptr;
  std::unique_ptr<CFader> fader_;
};

}  // namespace demo

#endif
