// Pictures drawn in any editor, packed with tessera-pack and drawn by the
// engine.
//
//   tessera-pack create-db data/Game.mdb
//   tessera-pack create-pack data/Game.mdb game.pak
//   tessera-pack add-image data/Game.mdb game.pak hero000000 art/hero.png
//   tessera-pack add-image data/Game.mdb game.pak grass00000 art/grass.png --style plain
//   ./a.out data/Game.mdb
//
// The hero's transparent pixels became the colour key when it was packed,
// so the keyed blit leaves the grass showing around it.
#include <tessera/tessera.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
    return 2;
  }
  // The database path in the engine's form; pack names in it are relative
  // to the engine folder given second.
  AfxCreateResource(argv[1], "./");
  HWND window = tessera::CreateWindowRecord(64, 64);
  AfxCreateViewManager(64, 64, window);
  CVIEWMANAGE* vm = AfxGetViewManager();
  DIBSURFACE* screen = vm->GetRenderSurface();

  char grass_id[] = "grass00000", hero_id[] = "hero000000";
  SURFACE* grass = vm->CreateSurface(grass_id, SS_DIB, false, false);
  SURFACE* hero = vm->CreateSurface(hero_id, SS_RLE, false, false);
  if (!grass || !hero) return 1;  // a line on stderr said which and why

  for (int y = 0; y < 64; y += 16)
    for (int x = 0; x < 64; x += 16) grass->Blit(screen, x, y);
  hero->Blit(screen, 24, 20);
  vm->UpdateScreen();

  // Body, head and the grass beside the hero's head.
  std::printf("%dx%d %04x %04x %04x\n", hero->GetWidth(), hero->GetHeight(),
              screen->GetPixel(24 + 8, 20 + 12).GetColor(),
              screen->GetPixel(24 + 8, 20 + 4).GetColor(),
              screen->GetPixel(24 + 1, 20 + 1).GetColor());
  vm->DeleteSurface(hero);
  vm->DeleteSurface(grass);
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
  return 0;
}
