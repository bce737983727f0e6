// tessera-demo: the sample game, a small village to play.
//
//   tessera-demo --data FOLDER [--frames N] [--screenshot FILE]
//                [--script FILE] [--headless] [--log FILE]
//
// FOLDER is a data set made by tessera-demo-data.  With a display the game
// runs in an SDL2 window with sound and music until it is closed (or for N
// frames); without one, or with --headless, it runs N frames (default 90)
// on the headless services with a clock that advances 33 ms a frame, so a
// run is the same every time.  --script plays scripted input (see
// demo_script.h); --screenshot saves the last frame as PNG.  The log lists
// what happened: scenes, clicks, sounds, saves, frame hashes asked for by
// the script, the process's memory every 1,000 frames, music commands.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "database/database.h"
#include "demo/demo_script.h"
#include "demo/game.h"
#include "platform/headless/headless_presenter.h"
#include "platform/input_services.h"
#include "platform/mci.h"
#include "platform/presenter.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/text_encoding.h"
#include "platform/window.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "sound/music.h"
#include "testing/manual_clock.h"

namespace {

struct Options {
  std::string data;
  int frames = -1;
  std::string screenshot;
  std::string script;
  std::string log = "demo-out/demo.log";
  bool headless = false;
};

const char kUsage[] =
    "usage: tessera-demo --data FOLDER [--frames N] [--screenshot FILE] [--script FILE]\n"
    "                    [--headless] [--log FILE]\n";

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string n;
    if (a == "--data"         ? !value(&o->data)
        : a == "--screenshot" ? !value(&o->screenshot)
        : a == "--script"     ? !value(&o->script)
        : a == "--log"        ? !value(&o->log)
        : a == "--frames"     ? !value(&n)
        : a == "--headless"   ? (o->headless = true, false)
                              : true) {
      return false;
    }
    if (!n.empty()) {
      char* end = nullptr;
      const long frames = std::strtol(n.c_str(), &end, 10);
      if (*end || frames < 0 || frames > 100000000) return false;
      o->frames = static_cast<int>(frames);
    }
  }
  return !o->data.empty();
}

demo::Game* g_game = nullptr;

LRESULT WindowProc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  return g_game ? g_game->OnMessage(message, wparam, lparam) : 0;
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

bool EnsureParent(const std::string& path) {
  const std::filesystem::path p(path);
  std::error_code ec;
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  return !ec;
}

long ResidentKb() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

// A scripted event as the window messages a real window delivers for it,
// sent straight to the window procedure (headless).
void Deliver(HWND window, const demo::ScriptEvent& e, tessera::HeadlessInputServices* input) {
  using tessera::SendMessage;
  const LPARAM at = static_cast<LPARAM>(e.x | (e.y << 16));
  switch (e.kind) {
    case demo::ScriptEvent::kMove:
    case demo::ScriptEvent::kClick:
    case demo::ScriptEvent::kRightClick:
      if (input) input->cursor = tagPOINT{e.x, e.y};
      SendMessage(window, WM_MOUSEMOVE, 0, at);
      if (e.kind == demo::ScriptEvent::kClick) {
        SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessage(window, WM_LBUTTONUP, 0, at);
      } else if (e.kind == demo::ScriptEvent::kRightClick) {
        SendMessage(window, WM_RBUTTONDOWN, MK_RBUTTON, at);
        SendMessage(window, WM_RBUTTONUP, 0, at);
      }
      break;
    case demo::ScriptEvent::kKey:
      if (e.alt) SendMessage(window, WM_KEYDOWN, VK_MENU, 0);
      SendMessage(window, WM_KEYDOWN, static_cast<WPARAM>(e.key), 0);
      // Keys that are also characters arrive as WM_CHAR too.
      if (!e.alt &&
          (e.key == VK_RETURN || e.key == VK_BACK || e.key == VK_ESCAPE || e.key == VK_TAB))
        SendMessage(window, WM_CHAR, static_cast<WPARAM>(e.key), 0);
      SendMessage(window, WM_KEYUP, static_cast<WPARAM>(e.key), 0);
      if (e.alt) SendMessage(window, WM_KEYUP, VK_MENU, 0);
      break;
    case demo::ScriptEvent::kType:
      for (unsigned char c : e.text) SendMessage(window, WM_CHAR, c, 0);  // one per GBK byte
      break;
    default:
      break;
  }
}

// The SDL key code of a virtual-key code the script knows.
SDL_Keycode SdlKeyOf(int vk) {
  switch (vk) {
    case VK_RETURN:
      return SDLK_RETURN;
    case VK_ESCAPE:
      return SDLK_ESCAPE;
    case VK_BACK:
      return SDLK_BACKSPACE;
    case VK_TAB:
      return SDLK_TAB;
    case VK_LEFT:
      return SDLK_LEFT;
    case VK_UP:
      return SDLK_UP;
    case VK_RIGHT:
      return SDLK_RIGHT;
    case VK_DOWN:
      return SDLK_DOWN;
    case VK_HOME:
      return SDLK_HOME;
    case VK_END:
      return SDLK_END;
    case VK_DELETE:
      return SDLK_DELETE;
    case VK_F1 + 4:
      return SDLK_F5;
    case VK_F1 + 8:
      return SDLK_F9;
    default:
      return SDLK_UNKNOWN;
  }
}

// With a real window the scripted event goes into SDL's queue, so it takes
// the path a person's input takes.
void PushToSdl(HWND window, const demo::ScriptEvent& e) {
  const Uint32 id = SDL_GetWindowID(tessera::sdl::GetSdlWindow(window));
  SDL_Event ev{};
  switch (e.kind) {
    case demo::ScriptEvent::kMove:
    case demo::ScriptEvent::kClick:
    case demo::ScriptEvent::kRightClick:
      SDL_WarpMouseInWindow(tessera::sdl::GetSdlWindow(window), e.x, e.y);
      ev.type = SDL_MOUSEMOTION;
      ev.motion.windowID = id;
      ev.motion.x = e.x;
      ev.motion.y = e.y;
      SDL_PushEvent(&ev);
      if (e.kind == demo::ScriptEvent::kMove) break;
      ev = SDL_Event{};
      ev.button.windowID = id;
      ev.button.button = e.kind == demo::ScriptEvent::kClick ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
      ev.button.clicks = 1;
      ev.button.x = e.x;
      ev.button.y = e.y;
      ev.type = SDL_MOUSEBUTTONDOWN;
      ev.button.state = SDL_PRESSED;
      SDL_PushEvent(&ev);
      ev.type = SDL_MOUSEBUTTONUP;
      ev.button.state = SDL_RELEASED;
      SDL_PushEvent(&ev);
      break;
    case demo::ScriptEvent::kKey: {
      auto key = [&](SDL_Keycode sym, bool down) {
        ev = SDL_Event{};
        ev.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        ev.key.windowID = id;
        ev.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        ev.key.keysym.sym = sym;
        ev.key.keysym.mod = e.alt ? KMOD_LALT : KMOD_NONE;
        SDL_PushEvent(&ev);
      };
      if (e.alt) key(SDLK_LALT, true);
      key(SdlKeyOf(e.key), true);
      key(SdlKeyOf(e.key), false);
      if (e.alt) key(SDLK_LALT, false);
      break;
    }
    case demo::ScriptEvent::kType: {
      // SDL carries text in pieces of at most 31 bytes of UTF-8; a
      // character is never split.
      const std::string utf8 = tessera::GbkToUtf8(e.text);
      for (size_t i = 0; i < utf8.size();) {
        size_t n = std::min<size_t>(utf8.size() - i, 31);
        while (n > 0 && i + n < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80)
          --n;
        ev = SDL_Event{};
        ev.type = SDL_TEXTINPUT;
        ev.text.windowID = id;
        std::memcpy(ev.text.text, utf8.data() + i, n);
        SDL_PushEvent(&ev);
        i += n;
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The engine reads a map's cells from "data\\NAME.map" under the current
  // folder, so the game runs in its data folder; the paths the user gave
  // are taken from where the user stands first.
  o.data = FullPath(o.data);
  o.log = FullPath(o.log);
  if (!o.screenshot.empty()) o.screenshot = FullPath(o.screenshot);
  if (!o.script.empty()) o.script = FullPath(o.script);
  std::vector<demo::ScriptEvent> script;
  std::string error;
  if (!o.script.empty() && !demo::LoadScript(o.script, &script, &error)) {
    std::fprintf(stderr, "tessera-demo: %s\n", error.c_str());
    return 2;
  }
  for (demo::ScriptEvent& e : script)
    if (e.kind == demo::ScriptEvent::kShot) e.text = FullPath(e.text);
  if (!EnsureParent(o.log)) {
    std::fprintf(stderr, "tessera-demo: %s: cannot create its folder\n", FullPath(o.log).c_str());
    return 1;
  }
  std::ofstream log(o.log);
  if (!log) {
    std::fprintf(stderr, "tessera-demo: %s: cannot open\n", FullPath(o.log).c_str());
    return 1;
  }

  std::error_code ec;
  std::filesystem::current_path(o.data, ec);
  if (ec) {
    std::fprintf(stderr, "tessera-demo: %s: %s (did tessera-demo-data build it?)\n", o.data.c_str(),
                 ec.message().c_str());
    return 1;
  }

  // A real window when a display is there, the headless services otherwise.
  HWND window = nullptr;
  bool windowed = false;
  if (!o.headless && tessera::sdl::UseSdlBackend()) {
    window = tessera::sdl::CreateGameWindow("\xD0\xA1\xB4\xE5\xB9\xCA\xCA\xC2", 800, 600,
                                            WindowProc);  // 小村故事
    if (window) {
      windowed = true;
      tessera::sdl::InstallSdlPresenter();
      tessera::sdl::InstallSdlInputServices();
      tessera::sdl::UseSdlAudio();
    }
  }
  tessera::HeadlessInputServices* input = nullptr;
  tessera::ManualClock* clock = nullptr;
  if (!window) {
    window = tessera::CreateWindowRecord(800, 600, WindowProc);
    auto services = std::make_unique<tessera::HeadlessInputServices>();
    input = services.get();
    tessera::SetInputServices(std::move(services));
    clock = tessera::InstallManualClock(1000);
    // The pretend display is a 5-6-5 one, so full screen shows the
    // conversion the game needs on most real displays.
    if (auto* p = dynamic_cast<tessera::HeadlessPresenter*>(&tessera::GetPresenter()))
      p->SetGreenMask(0x07E0);
  }
  // 0: until the window closes or the script quits.
  bool script_quits = false;
  for (const demo::ScriptEvent& e : script) script_quits |= e.kind == demo::ScriptEvent::kQuit;
  if (o.frames < 0) o.frames = windowed || script_quits ? 0 : 90;
  log << "tessera-demo: " << (windowed ? "SDL window" : "headless") << "\n";

  int status = 0;
  int frames_run = 0;
  {
    demo::Game game(window, o.data + "/", log);
    g_game = &game;
    if (!game.Start(&error)) {
      std::fprintf(stderr, "tessera-demo: %s (did tessera-demo-data build %s?)\n", error.c_str(),
                   FullPath(o.data).c_str());
      status = 1;
    }
    for (int tick = 0; status == 0 && !game.Finished(); ++tick) {
      std::vector<const demo::ScriptEvent*> after;
      for (const demo::ScriptEvent& e : script) {
        if (e.frame != tick) continue;
        if (e.kind == demo::ScriptEvent::kQuit) game.Quit();
        if (e.kind == demo::ScriptEvent::kHash || e.kind == demo::ScriptEvent::kShot) {
          after.push_back(&e);
        } else {
          log << "frame " << tick << " input "
              << (e.kind == demo::ScriptEvent::kType ? "type" : "event") << "\n";
          if (windowed) {
            PushToSdl(window, e);
          } else {
            Deliver(window, e, input);
          }
        }
      }
      if (windowed) {
        if (!tessera::sdl::PumpEvents(window)) game.Quit();
      } else {
        while (tessera::DispatchPostedMessage()) {
        }
      }
      game.Frame();
      frames_run = tick + 1;
      for (const demo::ScriptEvent* e : after) {
        if (e->kind == demo::ScriptEvent::kHash) {
          char hex[17];
          std::snprintf(hex, sizeof hex, "%016llx",
                        static_cast<unsigned long long>(game.FrameHash()));
          log << "frame " << tick << " hash " << e->text << " " << hex << " " << game.Describe()
              << "\n";
        } else if (!EnsureParent(e->text) || !tessera::GetPresenter().SaveFramePng(e->text)) {
          std::fprintf(stderr, "tessera-demo: %s: cannot save\n", FullPath(e->text).c_str());
        }
      }
      if ((tick + 1) % 1000 == 0)
        log << "frame " << tick + 1 << " memory " << ResidentKb() << " kB\n";
      // Each frame's lines reach the file with the frame: someone watching
      // the log sees the game as it plays, and a fatal error, which ends the
      // process without unwinding this function, loses none of them.  A
      // frame that wrote nothing costs no system call.
      log.flush();
      if (o.frames > 0 && tick + 1 >= o.frames) game.Quit();
      if (clock) clock->Advance(33);
      if (windowed && !game.Finished()) SDL_Delay(33);
    }
    log << "frames " << frames_run << "\n";
    log << "end: map " << game.State().map << " cell " << game.State().cell_x << " "
        << game.State().cell_y << " quest " << game.State().quest << " gold " << game.State().gold
        << " items " << game.State().items.size() << "\n";
    if (!o.screenshot.empty() && status == 0) {
      if (EnsureParent(o.screenshot) && tessera::GetPresenter().SaveFramePng(o.screenshot)) {
        std::printf("tessera-demo: saved frame %d to %s\n", frames_run, o.screenshot.c_str());
      } else {
        std::fprintf(stderr, "tessera-demo: %s: cannot save\n", FullPath(o.screenshot).c_str());
        status = 1;
      }
    }
    g_game = nullptr;
  }
  if (AfxGetMusic()) AfxGetMusic()->Stop();
  for (const tessera::MciCommand& c : tessera::MciCommandLog())
    log << "music: " << c.command << (c.result ? " (failed)" : "") << "\n";
  AfxFreeEngine();
  AfxReleaseDataBase(nullptr);
  if (windowed) tessera::sdl::CloseSdlAudio();
  tessera::DestroyWindowRecord(window);
  return status;
}
