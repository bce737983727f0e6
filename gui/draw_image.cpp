#include "gui/draw_image.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/bmp_file.h"
#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "engine/surface.h"
#include "pack/qres.h"
#include "platform/path.h"
#include "public/error_report.h"

namespace {

// The operations after the header, as bytes the stream walker reads.
const uint8_t* Operations(unsigned short* stream, size_t& size) {
  size = tessera::PackedStreamLength(stream + 2);
  return reinterpret_cast<const uint8_t*>(stream + 2);
}

// Walks a stream with a cursor and hands each covered pixel to `put(x, y,
// colour, literal)`.  Row skips keep the column, next row returns it to
// `left`.
template <class Put>
struct CursorWalk {
  int left;
  long long x, y;
  Put& put;
  void Skip(int n) { x += n; }
  void Literal(const uint8_t* words, int n) {
    for (int i = 0; i < n; ++i, ++x) Pixel(tessera::LoadLittle16(words + 2 * i), true);
  }
  void Fill(uint16_t colour, int n) {
    for (int i = 0; i < n; ++i, ++x) Pixel(colour, false);
  }
  void RowSkip(int n) { y += n; }
  void NextRow() {
    x = left;
    ++y;
  }
  void Pixel(uint16_t colour, bool literal) {
    // Far outside any surface: nothing to touch (and no int overflow).
    if (x < 0 || y < 0 || x > 1 << 20 || y > 1 << 20) return;
    put(static_cast<int>(x), static_cast<int>(y), colour, literal);
  }
};

template <class Put>
void WalkCovered(unsigned short* stream, int left, int top, Put put) {
  size_t size;
  const uint8_t* ops = Operations(stream, size);
  CursorWalk<Put> walk{left, left, top, put};
  tessera::WalkPackedStream(ops, size, walk);
}

}  // namespace

void Color16To15(unsigned short* stream) {
  if (!stream) return;
  unsigned short* w = stream + 2;
  for (;;) {
    const unsigned op = *w >> 12;
    const unsigned n = *w & 0xFFF;
    ++w;
    if (op == tessera::kPackEnd) return;
    unsigned count = op == tessera::kPackLiteral ? n : op == tessera::kPackFill ? 1 : 0;
    for (unsigned i = 0; i < count; ++i, ++w)
      *w = static_cast<unsigned short>((*w & 0x1F) | ((*w >> 1) & 0x7FE0));
  }
}

bool ImagePointed(unsigned short* stream, int, int x, int y) {
  if (!stream || x < 0 || x > stream[0] || y < 0 || y > stream[1]) return false;
  struct Hit {
    int x, y;
    long long c = 0, r = 0;
    bool found = false;
    void Test(int n) {
      if (r == y && c <= x && x <= c + n) found = true;
      c += n;
    }
    void Skip(int n) { c += n; }
    void Literal(const uint8_t*, int n) { Test(n); }
    void Fill(uint16_t, int n) { Test(n); }
    void RowSkip(int n) { r += n; }
    void NextRow() {
      c = 0;
      ++r;
    }
  } hit{x, y};
  size_t size;
  const uint8_t* ops = Operations(stream, size);
  tessera::WalkPackedStream(ops, size, hit);
  return hit.found;
}

bool Burrow(SURFACE* surface, unsigned short* stream, int x, int y) {
  if (!surface || !stream || x < 0 || y < 0 || x >= surface->GetWidth() || y > surface->GetHeight())
    return false;
  WalkCovered(stream, x, y, [surface](int px, int py, uint16_t p, bool) {
    if (p == 0) {
      surface->SetPixel(px, py, COLOR_KEY);
    } else if (surface->GetPixel(px, py) != COLOR_KEY) {
      surface->SetPixel(px, py, p);
    }
  });
  return true;
}

bool MarkMix(SURFACE* target, unsigned short* mark, SURFACE* red, SURFACE* green, SURFACE* blue,
             SURFACE* other) {
  if (!target || !mark || !red || !green || !blue || !other) return false;
  WalkCovered(mark, 0, 0, [&](int px, int py, uint16_t p, bool literal) {
    const unsigned a = target->GetPixel(px, py) & 0x1F;
    unsigned m;
    if (p == 0x7C00)
      m = red->GetPixel(px, py);
    else if (p == 0x03E0)
      m = green->GetPixel(px, py);
    else if (p == 0x001F)
      m = blue->GetPixel(px, py);
    else if (!literal || p == 0x7FE0)
      m = other->GetPixel(px, py);
    else
      m = 0x7FFF;
    const unsigned b = (m & 0x1F) * a / 32;
    const unsigned g = ((m >> 5) & 0x1F) * a / 32;
    const unsigned r = (m >> 10) * a / 32;  // up to 63 with the mark bit
    // The scaled channels are five-bit values; they are packed as such, and
    // red is held to 31 so the result stays an opaque 5-5-5 pixel.
    target->SetPixel(px, py, static_cast<unsigned short>(std::min(r, 31u) << 10 | g << 5 | b));
  });
  return true;
}

bool AddBmpToPack(const char* path, QRES* pack, char* id, char* packName, char* text) {
  return AddBmpToPack(path, pack, static_cast<const char*>(id), static_cast<const char*>(packName),
                      static_cast<const char*>(text));
}

bool AddBmpToPack(const char* path, QRES* pack, const char* id, const char* packName,
                  const char* text) {
  std::FILE* f = path ? tessera::OpenFile(path, "rb") : nullptr;
  if (!f) {
    ErrorBox("Open bmp file failed! %s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  if (!pack) {
    std::fclose(f);
    ErrorBox("QRES object is null! %s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  std::string bytes;
  char chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
  std::fclose(f);
  tessera::BmpImage image;
  if (tessera::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &image) !=
      tessera::BmpResult::kOk)
    return false;
  // The stream's header holds the size in 16 bits.
  if (image.width > 0xFFFF || image.height > 0xFFFF) return false;

  // Both forms of magenta are transparent; the encoder leaves COLOR_KEY out
  // as skips and row skips and turns runs of equal pixels into fills.
  DIBSURFACE picture(image.width, image.height);
  picture.Initialize();
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      uint16_t p = image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                                static_cast<size_t>(x)];
      picture.SetPixel(x, y, p == 0x7C1F ? COLOR_KEY : p);
    }
  std::vector<uint16_t> words = {static_cast<uint16_t>(image.width),
                                 static_cast<uint16_t>(image.height)};
  std::vector<uint16_t> ops = tessera::EncodePackedStream(&picture);
  words.insert(words.end(), ops.begin(), ops.end());
  std::vector<uint8_t> stream = tessera::PackedStreamBytes(words);
  return pack->AddDataToPack(stream.data(), static_cast<long>(stream.size()), id, packName, text);
}

namespace {

// A 24-bit bitmap file in memory with the fields the cutter needs.
struct BmpBytes {
  std::string bytes;
  int32_t width = 0, height = 0;
  uint32_t data = 0;
  size_t stride = 0;

  static uint32_t U32(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
  }
  // "BM", an information header, 24 bits, bottom-up rows that are all in
  // the file.
  bool Load(const char* path) {
    std::FILE* f = path ? tessera::OpenFile(path, "rb") : nullptr;
    if (!f) return false;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    data = U32(bytes, 10);
    width = static_cast<int32_t>(U32(bytes, 18));
    height = static_cast<int32_t>(U32(bytes, 22));
    int bits = static_cast<uint8_t>(bytes[28]) | static_cast<uint8_t>(bytes[29]) << 8;
    if (bits != 24 || width <= 0 || height <= 0 || width > 1 << 16 || height > 1 << 16)
      return false;
    stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    return data >= 54 && data <= bytes.size() &&
           (bytes.size() - data) / stride >= static_cast<size_t>(height);
  }
  // Offset of row `row` counted from the top.
  size_t Row(int row) const { return data + static_cast<size_t>(height - 1 - row) * stride; }
};

}  // namespace

int PartitionBmp(const char* source, const char* cellTemplate, const char* prefix) {
  BmpBytes src, cell;
  if (!src.Load(source)) {
    ErrorBox("Open bmp file failed! PartitionBmp");
    return 0;
  }
  if (!cell.Load(cellTemplate)) {
    ErrorBox("Open template file failed! PartitionBmp");
    return 0;
  }
  if (src.width % cell.width || src.height % cell.height) return 0;
  const int across = src.width / cell.width, down = src.height / cell.height;
  const size_t row_bytes = static_cast<size_t>(cell.width) * 3;
  int written = 0;
  std::string out = cell.bytes;
  for (int cy = 0; cy < down; ++cy) {
    for (int cx = 0; cx < across; ++cx) {
      for (int r = 0; r < cell.height; ++r)
        out.replace(cell.Row(r), row_bytes, src.bytes,
                    src.Row(cy * cell.height + r) + static_cast<size_t>(cx) * row_bytes, row_bytes);
      char name[1200];
      std::snprintf(name, sizeof name, "%sC%05d.BMP", prefix ? prefix : "", written % 100000);
      std::FILE* f = tessera::OpenFile(name, "wb");
      if (!f) {
        ErrorBox("Create CellBmp file failed! PartitionBmp");
        return written;
      }
      std::fwrite(out.data(), 1, out.size(), f);
      std::fclose(f);
      ++written;
    }
  }
  return written;
}
