#include "demo/game.h"

#include <cstdio>

#include "database/database.h"
#include "demo/title_scene.h"
#include "demo/world_scene.h"
#include "engine/dib_surface.h"
#include "engine/fader.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/chain_manager.h"
#include "gui/map/map_manager.h"
#include "gui/sprite.h"
#include "input/mouse.h"
#include "platform/key_messages.h"
#include "platform/mci.h"
#include "platform/random.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/music.h"

namespace demo {

namespace {

constexpr int kVkF5 = VK_F1 + 4, kVkF9 = VK_F1 + 8;

}  // namespace

Game::Game(HWND window, std::string data, std::ostream& log)
    : window_(window), data_(std::move(data)), log_(log) {}

Game::~Game() {
  title_.reset();
  world_.reset();
  fader_.reset();
  if (canvas_ && vm_) vm_->DeleteSurface(canvas_);
  canvas_ = nullptr;
  AfxGetChainManager()->DeleteAll();
  // The scene tables and their database go now, while the engine is whole;
  // the map manager itself lives on until the process ends.
  if (CMapManager* mm = tessera::PeekMapManager()) mm->Release();
}

bool Game::Start(std::string* error) {
  const std::string db = data_ + "data\\Village.mdb";
  AfxCreateResource(db.c_str(), data_.c_str());
  if (!AfxInitDataBase(db.c_str()) || !(db_ = AfxGetDataBase(db.c_str()))) {
    *error = "cannot open " + db;
    return false;
  }
  if (!AfxCreateViewManager(800, 600, window_)) {
    *error = "no display manager";
    return false;
  }
  vm_ = AfxGetViewManager();
  AfxCreateMouse();
  AfxGetMouse()->LoadCursorA("MOUSE000");
  if (!AfxGetMouse()->m_pFrame[0]) {
    *error = "cannot load MOUSE00000";
    return false;
  }
  AfxCreateSound(window_);
  AfxCreateMusic(window_);
  // A fixed seed: a scripted run plays the same every time.
  tessera::SeedRandom(2026);
  settings_ = LoadSettings(db_);
  ApplyVolumes(AfxGetSound(), settings_);
  if (settings_.full_screen) ApplyDisplayMode(vm_, true);
  canvas_ = vm_->CreateSurface(800, 600, SS_DIB);

  // The title fades in from black.
  DRAW_FX black;
  black.kind = FX_FILL;
  black.colour = 0;
  vm_->GetRenderSurface()->Blit(vm_->GetRenderSurface(), 0, 0, black);
  title_ = std::make_unique<TitleScene>(this);
  if (!title_->Load(error)) return false;
  fader_ = std::make_unique<CFader>();
  fader_->Initialize(canvas_, vm_->GetRenderSurface(), 0, 0, 800, 600, 1, 0);
  return true;
}

void Game::ShowTitle() { next_ = Next::kTitle; }

void Game::StartWorld(const GameState& state) {
  next_ = Next::kWorld;
  next_state_ = state;
}

void Game::SwitchScene() {
  if (next_ == Next::kNone) return;
  const Next next = next_;
  next_ = Next::kNone;
  std::string error;
  AfxGetChainManager()->DeleteAll();
  g_szTipText[0] = 0;  // the tip of a button that is gone
  title_.reset();
  world_.reset();
  if (next == Next::kTitle) {
    title_ = std::make_unique<TitleScene>(this);
    if (!title_->Load(&error)) log_ << "title: " << error << "\n";
  } else {
    state_ = next_state_;
    world_ = std::make_unique<WorldScene>(this);
    if (!world_->Load(&error)) {
      log_ << "world: " << error << "\n";
      std::fprintf(stderr, "tessera-demo: %s\n", error.c_str());
      finished_ = true;
    }
  }
  log_ << "frame " << frame_ << " scene " << (next == Next::kTitle ? "title" : "world") << " map "
       << state_.map << "\n";
  fader_ = std::make_unique<CFader>();
  fader_->Initialize(canvas_, vm_->GetRenderSurface(), 0, 0, 800, 600, 1, 0);
}

void Game::Frame() {
  SwitchScene();
  DIBSURFACE* frame = vm_->GetRenderSurface();
  const bool fading = fader_ != nullptr;
  SURFACE* canvas = fading ? canvas_ : frame;
  if (world_) world_->Update();
  if (title_) title_->Draw(canvas);
  AfxGetChainManager()->ShowAll(canvas);
  if (world_) world_->DrawOver(canvas);
  if (fading && fader_->Draw() == 0) fader_.reset();
  AfxGetMouse()->Show();
  vm_->UpdateScreen();
  ++frame_;
}

uint64_t Game::FrameHash() const {
  DIBSURFACE* frame = vm_->GetRenderSurface();
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < frame->GetHeight(); ++y)
    for (int x = 0; x < frame->GetWidth(); ++x) {
      const unsigned p = frame->GetPixel(x, y).GetColor();
      h = (h ^ (p & 0xFF)) * 1099511628211ull;
      h = (h ^ (p >> 8)) * 1099511628211ull;
    }
  return h;
}

std::string Game::Describe() const { return world_ ? world_->Describe() : std::string("title"); }

bool Game::SaveNow() {
  std::string error;
  const bool ok = SaveGame(db_, 1, state_, &error);
  log_ << "frame " << frame_ << " save " << (ok ? "ok" : error) << "\n";
  return ok;
}

bool Game::ContinueSaved() {
  GameState s;
  std::string error;
  if (!LoadGame(db_, 1, &s, &error)) {
    log_ << "frame " << frame_ << " continue: " << error << "\n";
    return false;
  }
  log_ << "frame " << frame_ << " continue: map " << s.map << " quest " << s.quest << "\n";
  StartWorld(s);
  return true;
}

void Game::ToggleFullScreen() {
  settings_.full_screen = !settings_.full_screen;
  const bool ok = ApplyDisplayMode(vm_, settings_.full_screen);
  log_ << "frame " << frame_ << " display " << (settings_.full_screen ? "full screen" : "window")
       << (ok ? "" : " (refused)") << "\n";
  settings_.full_screen = vm_->IsFullScreen() != 0;
  SaveSettings(db_, settings_);
}

void Game::PlayEffect(const char* name, int volume, int pan) {
  DxSoundBuffer* sounds = AfxGetSoundBuffer();
  const std::string file = data_ + "wav\\" + name + ".WAV";
  const bool played = sounds && sounds->Load(file.c_str()) && sounds->Play(0, pan, volume);
  log_ << "frame " << frame_ << " sound " << name << " " << volume << " " << pan
       << (played ? "" : " silent") << "\n";
}

void Game::PlayMusic(const char* name) {
  if (music_ == name) return;
  music_ = name;
  const std::string file = data_ + "music\\" + name + ".mid";
  if (AfxGetMusic()) AfxGetMusic()->Play(file.c_str());
}

// A keystroke for the focused area, as the engine's key record; false when
// the message is no key record or no area has the focus.
bool Game::HandKey(UINT message, WPARAM wparam) {
  QKey key;
  QArea* focus = AfxGetNowFocus();
  if (!focus || !tessera::KeyFromWindowMessage(message, wparam, &key)) return false;
  *AfxGetKey() = key;
  focus->InKey(AfxGetKey());
  return true;
}

void Game::KeyDown(int key, bool alt) {
  if (key == VK_RETURN && alt) {
    ToggleFullScreen();
    return;
  }
  if (world_ && key == kVkF5) world_->Key(key);
  if (key == kVkF9) ContinueSaved();
}

LRESULT Game::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const int x = static_cast<int16_t>(lparam & 0xFFFF),
            y = static_cast<int16_t>((lparam >> 16) & 0xFFFF);
  QMouse* mouse = AfxGetMouse();
  switch (message) {
    case WM_MOUSEMOVE:
      if (!mouse) break;
      mouse->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
      AfxGetChainManager()->RefreshAll();
      if (QArea* a = AfxGetNowArea()) a->m_pfnHover(a);
      // Over the map, the map manager tells the objects under the mouse.
      if (world_ && AfxGetNowArea() == AfxGetMapManager())
        AfxGetMapManager()->m_pfnMouseOver(AfxGetMapManager());
      break;
    case WM_LBUTTONDOWN:
      if (!mouse) break;
      mouse->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
      mouse->SetMouseKey(1);
      log_ << "frame " << frame_ << " click " << x << " " << y << " on "
           << (AfxGetNowArea() ? AfxGetNowArea()->m_szType : "none") << "\n";
      if (QArea* a = AfxGetNowArea()) a->m_pfnPress(a);
      break;
    case WM_LBUTTONUP:
      if (!mouse) break;
      mouse->SetMouseKey(0);
      if (QArea* a = AfxGetNowArea()) a->m_pfnClick(a);
      break;
    case WM_RBUTTONUP:
      if (QArea* a = AfxGetNowArea()) a->m_pfnEvent1(a);
      break;
    case WM_KEYDOWN:
      if (wparam == VK_MENU) alt_down_ = true;
      // Navigation keys go to the focused edit field; the rest are the game's.
      if (!HandKey(message, wparam)) KeyDown(static_cast<int>(wparam), alt_down_);
      break;
    case WM_KEYUP:
      if (wparam == VK_MENU) alt_down_ = false;
      break;
    case WM_CHAR:
      if (alt_down_) break;  // Alt+Enter is the game's, not the text's
      HandKey(message, wparam);
      break;
    case AREA_MSG_GETFOCUS:
      if (QArea* old = AfxGetNowFocus()) old->m_bFocus = false;
      AfxSetNowFocus(reinterpret_cast<QArea*>(lparam));
      break;
    case AREA_MSG_LOSTFOCUS:
      break;
    case SPRITE_MSG_NOTIFY:
      if (world_) world_->OnMessage(message, lparam);
      break;
    case MM_MCINOTIFY:
      if (AfxGetMusic()) AfxGetMusic()->Restart();
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace demo
