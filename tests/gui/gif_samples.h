// GIF samples written with giflib, a writer independent of the reader
// under test, for the GIF reader and GIF sprite suites.
#ifndef TESSERA_TESTS_GUI_GIF_SAMPLES_H
#define TESSERA_TESTS_GUI_GIF_SAMPLES_H

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::test {

struct SampleFrame {
  int left, top, width, height;
  bool interlace;
  std::vector<uint8_t> local;  // RGB triples, empty for none
  bool control;
  uint8_t control_packed;
  uint16_t delay;
  uint8_t transparent;
  std::vector<uint8_t> pixels;  // top-to-bottom rows
};

inline ColorMapObject* MakeMap(const std::vector<uint8_t>& rgb) {
  const int n = static_cast<int>(rgb.size() / 3);
  std::vector<GifColorType> colors(static_cast<size_t>(n));
  for (int i = 0; i < n; i++)
    colors[static_cast<size_t>(i)] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  return GifMakeMapObject(n, colors.data());
}

// Writes a GIF with giflib; interlaced frames are handed over in the
// standard's pass order, as giflib expects.
inline void WriteGif(const std::string& path, int sw, int sh, const std::vector<uint8_t>& global,
                     const std::vector<SampleFrame>& frames) {
  int err = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
  ASSERT_NE(gif, nullptr);
  bool any_control = false;
  for (const auto& f : frames) any_control |= f.control;
  EGifSetGifVersion(gif, any_control);
  ColorMapObject* gmap = global.empty() ? nullptr : MakeMap(global);
  ASSERT_EQ(EGifPutScreenDesc(gif, sw, sh, 8, 0, gmap), GIF_OK);
  GifFreeMapObject(gmap);
  for (const auto& f : frames) {
    if (f.control) {
      const uint8_t g[4] = {f.control_packed, static_cast<uint8_t>(f.delay & 0xFF),
                            static_cast<uint8_t>(f.delay >> 8), f.transparent};
      ASSERT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, g), GIF_OK);
    }
    // giflib keeps a copy of the previous local table and drops it without
    // freeing when the next image has none.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
    ColorMapObject* lmap = f.local.empty() ? nullptr : MakeMap(f.local);
    ASSERT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, lmap), GIF_OK);
    GifFreeMapObject(lmap);
    std::vector<int> order;
    if (f.interlace) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; p++)
        for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
    } else {
      for (int y = 0; y < f.height; y++) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(f.pixels.begin() + y * f.width,
                                    f.pixels.begin() + (y + 1) * f.width);
      ASSERT_EQ(EGifPutLine(gif, row.data(), f.width), GIF_OK);
    }
  }
  ASSERT_EQ(EGifCloseFile(gif, &err), GIF_OK);
}

inline std::vector<uint8_t> RandomBytes(size_t n, int range, unsigned seed) {
  std::vector<uint8_t> v(n);
  uint32_t s = seed * 2654435761u + 1;
  for (auto& b : v) {
    s = s * 1103515245u + 12345u;
    b = static_cast<uint8_t>((s >> 16) % static_cast<uint32_t>(range));
  }
  return v;
}

}  // namespace tessera::test

#endif
