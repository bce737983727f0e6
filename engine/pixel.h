// PIXEL: one 16-bit colour in the layout 1-5-5-5.
//
//   bit 15      transparency mark (keyed blits skip pixels that have it)
//   bits 10-14  red     bits 5-9  green     bits 0-4  blue
//
// Every surface stores this layout whatever the display uses; the display
// manager converts when it presents.  COLOR_KEY (0xFC1F: mark, red 31,
// green 0, blue 31) marks transparent pixels in images, fills and hit tests.
#ifndef TESSERA_ENGINE_PIXEL_H
#define TESSERA_ENGINE_PIXEL_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

constexpr unsigned short COLOR_KEY = 0xFC1F;

class PIXEL {
 public:
  PIXEL() = default;  // value left undefined, like a plain integer
  constexpr PIXEL(unsigned short value) : m_wColor(value) {}
  constexpr PIXEL(unsigned char r, unsigned char g, unsigned char b)
      : m_wColor(static_cast<unsigned short>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))) {}

  void SetColor(unsigned short value) { m_wColor = value; }
  void SetColor(unsigned char r, unsigned char g, unsigned char b) { *this = PIXEL(r, g, b); }
  PIXEL& operator=(unsigned short value) {
    m_wColor = value;
    return *this;
  }

  constexpr unsigned short GetColor() const { return m_wColor; }
  constexpr operator unsigned short() const { return m_wColor; }
  // Bits 10-15: a transparent pixel reads 32 more than its red.
  constexpr unsigned short GetRed() const { return m_wColor >> 10; }
  constexpr unsigned short GetGreen() const { return (m_wColor >> 5) & 31; }
  constexpr unsigned short GetBlue() const { return m_wColor & 31; }

 private:
  unsigned short m_wColor;
};

static_assert(sizeof(PIXEL) == 2, "PIXEL rows are read as arrays of 16-bit words");

#pragma GCC visibility pop
#endif
