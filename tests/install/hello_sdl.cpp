// A program linking the SDL2 backend of an installed Tessera.
#include <tessera/platform/sdl/sdl_backend.h>
#include <tessera/tessera.h>

int main() { return tessera::sdl::GetSdlWindow(nullptr) == nullptr && AfxGetScreenWidth() == 800 ? 0 : 1; }
