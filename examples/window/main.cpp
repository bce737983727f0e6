// A window with a sprite and a line of text.
//
// Opens an SDL2 window when there is a display (headless otherwise), paints
// a small sprite in code, and each frame clears the screen, moves the
// sprite along and draws a caption, until the window is closed or the
// frame count given on the command line is reached.  With `--png FILE` the
// last frame is also saved as a PNG picture.
//
//   c++ -std=c++17 main.cpp $(pkg-config --cflags --libs tessera-sdl)
//   ./a.out 120 --png last.png
#include <tessera/sdl.h>
#include <tessera/tessera.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static LRESULT WindowProc(HWND, UINT message, WPARAM wparam, LPARAM) {
  // Window messages arrive here: mouse (WM_MOUSEMOVE ...), keys, music end.
  if (message == WM_KEYDOWN && wparam == 0x1B) std::exit(0);  // Esc
  return 0;
}

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 0;  // 0: until closed
  const char* png = argc > 3 && std::strcmp(argv[2], "--png") == 0 ? argv[3] : nullptr;

  HWND window = nullptr;
  if (tessera::sdl::UseSdlBackend()) {
    window = tessera::sdl::CreateGameWindow("Tessera", 640, 480, WindowProc);
    if (window) tessera::sdl::InstallSdlPresenter();
  }
  if (!window) window = tessera::CreateWindowRecord(640, 480, WindowProc);  // headless

  AfxSetScreenWidth(640);
  AfxSetScreenHeight(480);
  if (!AfxCreateViewManager(640, 480, window)) return 1;
  CVIEWMANAGE* vm = AfxGetViewManager();
  DIBSURFACE* screen = vm->GetRenderSurface();

  // The sprite: a 32 x 32 keyed picture, a yellow disc on the colour key.
  SURFACE* sprite = vm->CreateSurface(32, 32, SS_DIB);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int dx = x - 16, dy = y - 16;
      sprite->SetPixel(x, y, dx * dx + dy * dy < 196 ? PIXEL(255, 220, 0) : PIXEL(COLOR_KEY));
    }

  char caption[] = "Hello from Tessera";
  DRAW_FX clear;
  clear.kind = FX_FILL;
  clear.colour = PIXEL(0, 40, 90);
  int x = 40;
  for (int frame = 0; frames == 0 || frame < frames; ++frame) {
    if (!tessera::sdl::PumpEvents(window)) break;  // the window was closed
    x = 40 + frame * 4 % 560;
    screen->Blit(screen, 0, 0, clear);
    sprite->Blit(screen, x, 200);  // keyed: the key colour stays out
    screen->DrawTextA(40, 40, PIXEL(255, 255, 255), caption);
    vm->UpdateScreen();
  }
  if (png && !tessera::GetPresenter().SaveFramePng(png)) return 1;
  // The disc's centre is yellow, its corner shows the background.
  std::printf("%04x %04x\n", screen->GetPixel(x + 16, 216).GetColor(),
              screen->GetPixel(x, 200).GetColor());

  vm->DeleteSurface(sprite);
  AfxFreeEngine();
  return 0;
}
