#include "support/surface_helpers.h"

namespace tessera::test {

std::unique_ptr<DIBSURFACE> MakeDib(int w, int h, uint16_t fill) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  PIXEL** rows = BlockRows(s->GetBitmap());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows[y][x] = fill;
  return s;
}

std::vector<uint16_t> Pixels(SURFACE* s) {
  std::vector<uint16_t> out;
  PIXEL** rows = BlockRows(s->GetBitmap());
  for (int y = 0; y < s->GetHeight(); ++y)
    for (int x = 0; x < s->GetWidth(); ++x) out.push_back(rows[y][x]);
  return out;
}

void FillRandom(SURFACE* s, TestRandom& rng, int key_share) {
  PIXEL** rows = BlockRows(s->GetBitmap());
  for (int y = 0; y < s->GetHeight(); ++y)
    for (int x = 0; x < s->GetWidth(); ++x) {
      uint16_t v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
      if (rng.Range(0, 99) < key_share)
        v = (rng.Next() & 1) ? COLOR_KEY : static_cast<uint16_t>(v | 0x8000);
      rows[y][x] = v;
    }
}

uint16_t ReferenceTransMix(uint16_t s, uint16_t d, int a) {
  // Each step wraps to 16 bits, as the engine's arithmetic does.
  uint16_t dr = static_cast<uint16_t>(d >> 5), sr = static_cast<uint16_t>(s >> 5);
  uint16_t diff = static_cast<uint16_t>(dr - sr);
  uint16_t prod = static_cast<uint16_t>(diff * a);
  uint16_t red = static_cast<uint16_t>(static_cast<uint16_t>(s + prod) & 0xFC00);

  uint16_t gd = static_cast<uint16_t>((d & 0x03E0) - (s & 0x03E0));
  uint16_t gp = static_cast<uint16_t>(gd * a);
  uint16_t green = static_cast<uint16_t>((static_cast<uint16_t>(gp >> 5) + (s & 0x03E0)) & 0x03E0);

  uint16_t bd = static_cast<uint16_t>((d & 0x001F) - (s & 0x001F));
  uint16_t bp = static_cast<uint16_t>(bd * a);
  uint16_t blue = static_cast<uint16_t>((static_cast<uint16_t>(bp >> 5) + (s & 0x001F)) & 0x001F);
  return static_cast<uint16_t>(red | green | blue);
}

std::unique_ptr<DIBSURFACE> RandomTarget(TestRandom& rnd, int max_w, int max_h) {
  auto d = MakeDib(rnd.Range(1, max_w), rnd.Range(1, max_h), 0);
  FillRandom(d.get(), rnd, 30);
  const int cl = rnd.Range(0, d->GetWidth() - 1), ct = rnd.Range(0, d->GetHeight() - 1);
  d->SetClipper(tagRECT{cl, ct, rnd.Range(cl, d->GetWidth()), rnd.Range(ct, d->GetHeight())});
  return d;
}

std::unique_ptr<DIBSURFACE> CopyOf(SURFACE* s) {
  auto c = MakeDib(s->GetWidth(), s->GetHeight(), 0);
  for (int y = 0; y < s->GetHeight(); ++y)
    for (int x = 0; x < s->GetWidth(); ++x) c->SetPixel(x, y, s->GetPixel(x, y));
  tagRECT clip;
  s->GetClipper(clip);
  c->SetClipper(clip);
  return c;
}

}  // namespace tessera::test
