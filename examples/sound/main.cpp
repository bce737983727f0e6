// A sound effect and a piece of music.
//
// Plays the wave file given first (a click, say) every half second and the
// MIDI file given second as music, for the number of seconds given third,
// through SDL's audio when there is a display and a sound device (the
// headless null device otherwise, which plays nothing but answers alike).
// When the piece ends by itself the window procedure is told
// (MM_MCINOTIFY) and starts it again.
//
//   tessera-sound-files click click.wav
//   tessera-sound-files tune tune.mid
//   c++ -std=c++17 main.cpp $(pkg-config --cflags --libs tessera-sdl)
//   ./a.out click.wav tune.mid 5
#include <tessera/sdl.h>
#include <tessera/tessera.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

static LRESULT WindowProc(HWND, UINT message, WPARAM, LPARAM) {
  if (message == MM_MCINOTIFY && AfxGetMusic()) AfxGetMusic()->Restart();
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s WAVE MIDI SECONDS\n", argv[0]);
    return 2;
  }
  HWND window = nullptr;
  if (tessera::sdl::UseSdlBackend()) {
    window = tessera::sdl::CreateGameWindow("Tessera sound", 320, 200, WindowProc);
    if (window) tessera::sdl::UseSdlAudio();
  }
  if (!window) window = tessera::CreateWindowRecord(320, 200, WindowProc);

  // Without a sound device the game runs on without effects.
  const bool effects = AfxCreateSound(window);
  if (!AfxCreateMusic(window)) return 1;
  DxSoundBuffer* sounds = AfxGetSoundBuffer();
  const bool loaded = effects && sounds->Load(argv[1]);
  const bool music = AfxGetMusic()->Play(argv[2]);
  std::printf("effects %s, wave %s, music %s\n", effects ? "on" : "off",
              loaded ? "loaded" : "not loaded", music ? "playing" : "not playing");

  const uint32_t end = tessera::NowMs() + 1000u * static_cast<uint32_t>(std::atoi(argv[3]));
  uint32_t next_click = 0;
  while (tessera::NowMs() < end && tessera::sdl::PumpEvents(window)) {
    const uint32_t now = tessera::NowMs();
    if (loaded && now >= next_click) {
      sounds->Load(argv[1]);     // cached after the first read
      sounds->Play(0, 0, -600);  // centre, 6 dB down
      next_click = now + 500;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  AfxFreeEngine();
  return loaded == effects && music ? 0 : 1;
}
