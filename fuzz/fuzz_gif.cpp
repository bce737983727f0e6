// GIF files: the reader over bytes in memory (streaming, every frame and
// the wrap to the first) and over a file in load-all mode.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_file.h"
#include "gui/gif_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    QGifFile gif;
    if (gif.Open(reinterpret_cast<const char*>(data), static_cast<long>(size))) {
      // Frame counts are bounded by the input size; one more than the count
      // exercises the rewind to the first block.
      for (int i = 0; i <= gif.m_nFrameCount; i++) {
        stGifFrame* f = gif.GetNextFrame();
        if (!f) break;
        volatile uint8_t sink =
            f->m_wWidth && f->m_wHeight
                ? f->m_pPixels[static_cast<size_t>(f->m_wWidth) * f->m_wHeight - 1]
                : 0;
        (void)sink;
      }
    }
  }
  const std::string& path = tessera::fuzz::ScratchPath(".gif");
  if (!tessera::fuzz::WriteScratch(path, data, size)) return 0;
  QGifFile gif;
  if (gif.Open(path.c_str(), true)) {
    stGifFrame* f = gif.GetNextFrame();
    volatile int sink = f ? f->m_wLeft : -1;
    (void)sink;
  }
  return 0;
}
