// A program linking the SDL2 backend of an installed Tessera.
#include <tessera/sdl.h>
#include <tessera/tessera.h>

int main() {
  return tessera::sdl::GetSdlWindow(nullptr) == nullptr && AfxGetScreenWidth() == 800 ? 0 : 1;
}
