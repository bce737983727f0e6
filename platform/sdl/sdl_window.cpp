// Real windows for HWND records, and the SDL event pump.
#include <SDL.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/mci.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_input.h"
#include "platform/text_encoding.h"

namespace tessera::sdl {

void InstallSdlMessageSink();

namespace {

class SdlWindowBackend : public WindowBackend {
 public:
  explicit SdlWindowBackend(SDL_Window* w) : window(w) {}
  ~SdlWindowBackend() override { SDL_DestroyWindow(window); }
  SDL_Window* window;
};

}  // namespace

namespace {

constexpr char kRecordKey[] = "tessera.hwnd";

bool HasValue(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

// Starts SDL video with one driver and nothing else: SDL's own search would
// end at its offscreen driver when no display answers, and on the way ask
// Wayland, which complains on stderr when it has no runtime folder.
bool InitVideoWith(const char* driver) {
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
  const bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
#if SDL_VERSION_ATLEAST(2, 24, 0)
  SDL_ResetHint(SDL_HINT_VIDEODRIVER);
#endif
  return ok;
}

// Whether a local X server answers at DISPLAY (":N", ":N.S", "unix:N");
// true for remote displays, which only SDL can try.  Asking SDL about a
// display that is gone costs a slow failed start, and SDL's D-Bus helper
// keeps memory from it to the end of the process.
bool LocalXServerAnswers(const std::string& display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return true;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string path = "/tmp/.X11-unix/X" + number;
  // The server listens on the socket file, and on Linux often on the
  // abstract name with the same path too.
  for (bool abstract : {false, true}) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + (abstract ? 1 : 0), path.c_str(), path.size());
    const socklen_t len =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (abstract ? 1 : 0));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
    ::close(fd);
    if (ok) return true;
  }
  return false;
}

}  // namespace

bool UseSdlBackend() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    InstallSdlMessageSink();
    return true;
  }
  if (HasValue("SDL_VIDEODRIVER")) {
    // Asked for by name (the dummy and offscreen drivers included).
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      LogWarning(
          std::string("no SDL display with SDL_VIDEODRIVER=") + std::getenv("SDL_VIDEODRIVER"),
          SDL_GetError());
      return false;
    }
    InstallSdlMessageSink();
    return true;
  }
  std::vector<const char*> drivers;
  if (HasValue("DISPLAY")) drivers.push_back("x11");
  if (HasValue("WAYLAND_DISPLAY")) drivers.push_back("wayland");
  if (drivers.empty()) {
    LogInfo("no SDL display", "neither DISPLAY nor WAYLAND_DISPLAY is set");
    return false;
  }
  std::string reasons;
  for (const char* driver : drivers) {
    if (std::strcmp(driver, "x11") == 0 && !LocalXServerAnswers(std::getenv("DISPLAY"))) {
      if (!reasons.empty()) reasons += "; ";
      reasons += std::string("x11: no X server answers at DISPLAY=") + std::getenv("DISPLAY");
      continue;
    }
    if (InitVideoWith(driver)) {
      InstallSdlMessageSink();
      return true;
    }
    if (!reasons.empty()) reasons += "; ";
    reasons += std::string(driver) + ": " + SDL_GetError();
  }
  LogWarning("no SDL display", reasons);
  return false;
}

HWND CreateGameWindow(std::string_view title_gbk, int width, int height, WindowProc proc) {
  const std::string title = GbkToUtf8(title_gbk);
  SDL_Window* w = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   width, height, SDL_WINDOW_SHOWN);
  if (!w) {
    LogWarning("cannot create a window", SDL_GetError());
    return nullptr;
  }
  HWND record = CreateWindowRecord(width, height, proc);
  record->title = std::string(title_gbk);
  record->backend = new SdlWindowBackend(w);
  SDL_SetWindowData(w, kRecordKey, record);
  return record;
}

SDL_Window* GetSdlWindow(HWND window) {
  if (!window) return nullptr;
  auto* b = dynamic_cast<SdlWindowBackend*>(window->backend);
  return b ? b->window : nullptr;
}

// Input goes to the record of the SDL window it happened in; an event that
// names no window of ours (pushed by a program, say) goes to `window`.
bool PumpEvents(HWND window) {
  PollMciNotifications();  // music that ended on the audio thread
  while (DispatchPostedMessage()) {
  }
  SDL_Event e;
  bool running = true;
  std::vector<WindowMessage> messages;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_QUIT) running = false;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE &&
        SDL_GetWindowFromID(e.window.windowID) == GetSdlWindow(window))
      running = false;
    HWND target = window;
    Uint32 id = 0;
    switch (e.type) {
      case SDL_MOUSEMOTION:
        id = e.motion.windowID;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        id = e.button.windowID;
        break;
      case SDL_MOUSEWHEEL:
        id = e.wheel.windowID;
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        id = e.key.windowID;
        break;
      case SDL_TEXTINPUT:
        id = e.text.windowID;
        break;
      default:
        break;
    }
    if (SDL_Window* w = id ? SDL_GetWindowFromID(id) : nullptr)
      if (auto* record = static_cast<HWND>(SDL_GetWindowData(w, kRecordKey))) target = record;
    messages.clear();
    TranslateToMessages(target, e, messages);
    for (const WindowMessage& m : messages) SendMessage(target, m.message, m.wparam, m.lparam);
  }
  return running;
}

}  // namespace tessera::sdl
