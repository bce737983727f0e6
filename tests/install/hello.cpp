// A game program of a few lines, built against an installed Tessera.
#include <tessera/tessera.h>

#include <cstdio>

int main() {
  AfxSetScreenWidth(642);
  DIBSURFACE frame(AfxGetScreenWidth(), AfxGetScreenHeight());
  frame.Initialize();
  DRAW_FX fill;
  fill.kind = FX_FILL;
  fill.colour = PIXEL(255, 0, 0);
  frame.Blit(&frame, 0, 0, fill);
  std::printf("%d %d %04x\n", frame.GetWidth(), frame.GetHeight(), frame.GetPixel(5, 5).GetColor());
  AfxFreeEngine();
  return frame.GetPixel(5, 5) == 0x7C00 ? 0 : 1;
}
