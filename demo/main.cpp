// The sample game.  For now it composes the showcase frame and writes it as
// a PNG:
//   tessera-demo [--frames N] [--screenshot FILE]
// renders N frames (default 60) and saves the last one (default
// demo-out/frame.png).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "demo/showcase.h"
#include "engine/pixel_block.h"
#include "platform/png_writer.h"

int main(int argc, char** argv) {
  int frames = 60;
  std::string shot = "demo-out/frame.png";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--frames" && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else if (arg == "--screenshot" && i + 1 < argc) {
      shot = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      std::printf("usage: tessera-demo [--frames N] [--screenshot FILE]\n");
      return 0;
    } else {
      std::fprintf(stderr, "tessera-demo: unknown argument %s (try --help)\n", arg.c_str());
      return 2;
    }
  }
  if (frames < 1) frames = 1;

  DIBSURFACE frame(800, 600);
  frame.Initialize();
  for (int tick = 0; tick < frames; ++tick) demo::DrawShowcase(&frame, tick);

  const std::filesystem::path out(shot);
  if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path());
  const PixelBlockHeader* h = tessera::BlockHeader(frame.GetBitmap());
  if (!tessera::WritePng555(shot, reinterpret_cast<uint16_t*>(tessera::BlockRows(frame.GetBitmap())[0]), h->width,
                            h->height, h->pitch)) {
    std::fprintf(stderr, "tessera-demo: cannot write %s\n", shot.c_str());
    return 1;
  }
  std::printf("tessera-demo: wrote frame %d to %s\n", frames, shot.c_str());
  return 0;
}
