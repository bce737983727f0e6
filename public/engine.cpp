#include "public/engine.h"

namespace {
int g_screen_width = 800;
int g_screen_height = 600;
}  // namespace

void AfxSetScreenWidth(int width) { g_screen_width = width & ~3; }
void AfxSetScreenHeight(int height) { g_screen_height = height & ~3; }
int AfxGetScreenWidth(void) { return g_screen_width; }
int AfxGetScreenHeight(void) { return g_screen_height; }

void AfxFreeEngine(void) {
  // Each service joins this list, in its place in the order, as it lands.
}

namespace tessera {
void ResetEngineForTests() {
  AfxFreeEngine();
  g_screen_width = 800;
  g_screen_height = 600;
}
}  // namespace tessera
