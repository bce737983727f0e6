// The sample game: a village scene in an 800 x 600 window.
//
//   tessera-demo --data FOLDER [--frames N] [--screenshot FILE]
//                [--script FILE] [--headless] [--log FILE]
//
// FOLDER is a data set made by tessera-demo-data.  With a display the scene
// runs in an SDL2 window with sound and music until the window is closed
// (or for N frames); without one, or with --headless, it runs N frames
// (default 90) on the headless services.  --screenshot saves the last
// frame as PNG.  --script drives it with scripted clicks; each click, like a
// mouse click in the window, plays the click sound and leaves a ripple.
// The log lists the run's events, sounds and music commands.  The scene
// fades in from black over its first 32 frames (a cross-fade).
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo/demo_script.h"
#include "demo/village_scene.h"
#include "engine/fader.h"
#include "engine/view_manage.h"
#include "platform/headless/headless_audio.h"
#include "platform/mci.h"
#include "platform/presenter.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "sound/dx_sound_buffer.h"
#include "sound/music.h"

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
    if (a == "--data" ? !value(&o->data)
        : a == "--screenshot" ? !value(&o->screenshot)
        : a == "--script" ? !value(&o->script)
        : a == "--log" ? !value(&o->log)
        : a == "--frames" ? !value(&n)
        : a == "--headless" ? (o->headless = true, false)
        : true) {
      return false;
    }
    if (!n.empty()) o->frames = std::atoi(n.c_str());
  }
  return !o->data.empty();
}

// Clicks reach the game as window messages, from the SDL window or from
// the script alike; the frame loop handles them.
std::vector<POINT> g_clicks;

LRESULT WindowProc(HWND, UINT message, WPARAM, LPARAM lparam) {
  // The tune starts again whenever it ends by itself.
  if (message == MM_MCINOTIFY && AfxGetMusic()) AfxGetMusic()->Restart();
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
    g_clicks.push_back({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  return 0;
}

// A scripted click as the window would get it: through SDL's queue when
// there is a window, else straight to the window procedure.
void ScriptedClick(HWND window, bool windowed, int x, int y) {
  if (!windowed) {
    tessera::SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, x | y << 16);
    tessera::SendMessage(window, WM_LBUTTONUP, 0, x | y << 16);
    return;
  }
  SDL_Event e{};
  e.button.windowID = SDL_GetWindowID(tessera::sdl::GetSdlWindow(window));
  e.button.button = SDL_BUTTON_LEFT;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.state = SDL_PRESSED;
  SDL_PushEvent(&e);
  e.type = SDL_MOUSEBUTTONUP;
  e.button.state = SDL_RELEASED;
  SDL_PushEvent(&e);
}

void EnsureParent(const std::string& path) {
  const std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::vector<demo::ScriptEvent> script;
  std::string error;
  if (!o.script.empty() && !demo::LoadScript(o.script, &script, &error)) {
    std::fprintf(stderr, "tessera-demo: %s\n", error.c_str());
    return 2;
  }
  EnsureParent(o.log);
  std::ofstream log(o.log);

  // A real window when a display is there, the headless services otherwise.
  HWND window = nullptr;
  bool windowed = false;
  if (!o.headless && tessera::sdl::UseSdlBackend()) {
    window = tessera::sdl::CreateGameWindow("\xB4\xE5\xD7\xAF\xD1\xDD\xCA\xBE", 800, 600, WindowProc);  // 村庄演示
    if (window) {
      windowed = true;
      tessera::sdl::InstallSdlPresenter();
      tessera::sdl::InstallSdlInputServices();
      tessera::sdl::UseSdlAudio();
    }
  }
  if (!window) window = tessera::CreateWindowRecord(800, 600, WindowProc);
  if (o.frames < 0) o.frames = windowed ? 0 : 90;  // 0: until the window closes
  log << "tessera-demo: " << (windowed ? "SDL window" : "headless") << "\n";

  const std::string root = o.data + "/";
  const std::string db = root + "data\\Village.mdb";
  AfxCreateResource(db.c_str(), root.c_str());
  if (!AfxCreateViewManager(800, 600, window)) {
    std::fprintf(stderr, "tessera-demo: no display manager\n");
    return 1;
  }
  CVIEWMANAGE* vm = AfxGetViewManager();
  AfxCreateSound(window);
  AfxCreateMusic(window);
  const std::string click = root + "wav\\click.WAV", tune = root + "music\\village.mid";
  if (AfxGetMusic()) AfxGetMusic()->Play(tune.c_str());

  int status = 0;
  {
    demo::VillageScene scene;
    if (!scene.Load(vm, &error)) {
      std::fprintf(stderr, "tessera-demo: %s (did tessera-demo-data build %s?)\n", error.c_str(), o.data.c_str());
      status = 1;
    }
    auto on_click = [&](int x, int y, int tick) {
      scene.Click(x, y, tick);
      DxSoundBuffer* sounds = AfxGetSoundBuffer();
      const bool played = sounds && sounds->Load(click.c_str()) && sounds->Play(0, 0, 0);
      log << "frame " << tick << " click " << x << " " << y << (played ? " sound" : " silent") << "\n";
    };
    // The fade-in: the scene is drawn off screen and cross-faded over a
    // black frame until the fader reports its end.
    DIBSURFACE* frame = vm->GetRenderSurface();
    DRAW_FX black;
    black.kind = FX_FILL;
    black.colour = 0;
    frame->Blit(frame, 0, 0, black);
    SURFACE* offscreen = vm->CreateSurface(800, 600, SS_DIB);
    CFader fade_in;
    fade_in.Initialize(offscreen, frame, 0, 0, 800, 600, 1, 0);
    bool fading = true;
    int tick = 0;
    for (bool running = status == 0; running; ++tick) {
      for (const demo::ScriptEvent& e : script) {
        if (e.frame != tick) continue;
        if (e.kind == demo::ScriptEvent::kClick) ScriptedClick(window, windowed, e.x, e.y);
        if (e.kind == demo::ScriptEvent::kQuit) running = false;
      }
      if (windowed) {
        if (!tessera::sdl::PumpEvents(window)) running = false;
      } else {
        while (tessera::DispatchPostedMessage()) {
        }
      }
      for (const POINT& p : g_clicks) on_click(p.x, p.y, tick);
      g_clicks.clear();
      if (fading) {
        scene.Draw(static_cast<DIBSURFACE*>(offscreen), tick);
        fading = fade_in.Draw() != 0;
      } else {
        scene.Draw(frame, tick);
      }
      vm->UpdateScreen();
      if (o.frames > 0 && tick + 1 >= o.frames) running = false;
      if (windowed && running) SDL_Delay(33);
    }
    log << "frames " << tick << "\n";
    vm->DeleteSurface(offscreen);
    if (!o.screenshot.empty() && status == 0) {
      EnsureParent(o.screenshot);
      if (tessera::GetPresenter().SaveFramePng(o.screenshot)) {
        std::printf("tessera-demo: saved frame %d to %s\n", tick, o.screenshot.c_str());
      } else {
        std::fprintf(stderr, "tessera-demo: cannot save %s\n", o.screenshot.c_str());
        status = 1;
      }
    }
  }
  if (AfxGetMusic()) AfxGetMusic()->Stop();
  for (const tessera::MciCommand& c : tessera::MciCommandLog())
    log << "music: " << c.command << (c.result ? " (failed)" : "") << "\n";
  AfxFreeEngine();
  if (windowed) tessera::sdl::CloseSdlAudio();
  tessera::DestroyWindowRecord(window);
  return status;
}
