// What several benchmark programs share: GIF bytes written to and read
// from memory through giflib's callbacks, the memcpy of one 800 x 600
// 16-bit frame that the GUI cases are measured against (and the same copy
// as a loop of vector stores), and the engine's display manager on a
// headless window.
#ifndef TESSERA_BENCH_BENCH_SUPPORT_H
#define TESSERA_BENCH_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "database/schema.h"
#include "engine/cpu_features.h"
#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "engine/view_manage.h"
#include "pack/res.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace tessera::bench {

constexpr int kFrameW = 800, kFrameH = 600;

// giflib's output callback: appends to the std::string in UserData.
inline int WriteToString(GifFileType* gif, const GifByteType* bytes, int n) {
  static_cast<std::string*>(gif->UserData)
      ->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
  return n;
}

// giflib's input callback over bytes in memory (a MemoryReader in UserData).
struct MemoryReader {
  const std::string* bytes;
  size_t pos;
};

inline int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const size_t left = r->bytes->size() - r->pos;
  const size_t k = static_cast<size_t>(n) < left ? static_cast<size_t>(n) : left;
  std::memcpy(out, r->bytes->data() + r->pos, k);
  r->pos += k;
  return static_cast<int>(k);
}

// Times copy(dst, src, pixels) of one 800 x 600 16-bit frame of random
// pixels, after checking that it copies.
using FrameCopyFn = void (*)(uint16_t*, const uint16_t*, size_t);
inline void TimeFrameCopy(benchmark::State& state, FrameCopyFn copy) {
  std::vector<uint16_t> src(static_cast<size_t>(kFrameW) * kFrameH), dst(src.size());
  tessera::test::TestRandom rng(5);
  for (uint16_t& p : src) p = static_cast<uint16_t>(rng.Next());
  copy(dst.data(), src.data(), src.size());
  if (dst != src) {
    state.SkipWithError("the frame was not copied");
    return;
  }
  for (auto _ : state) {
    copy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kFrameW * kFrameH * 2);
}

// memcpy of the frame.
inline void FrameMemcpy(benchmark::State& state) {
  TimeFrameCopy(state, [](uint16_t* d, const uint16_t* s, size_t n) { std::memcpy(d, s, 2 * n); });
}

// The same frame copied by a loop of plain vector loads and stores, the
// widest the processor has, with no test at all.  A loop that looks at
// each pixel (a keyed blit, a 5-6-5 conversion) stores the same way and
// cannot be expected to beat it, so this shows how much of such a loop's
// distance to memcpy is the store path itself: where the C library's
// memcpy uses the processor's copy-string instruction, that writes whole
// cache lines without reading them first, while a vector store reads each
// destination line before it writes it.
#if defined(__x86_64__)
__attribute__((target("avx512f"))) inline void CopyLoop512(uint16_t* d, const uint16_t* s,
                                                           size_t n) {
  for (size_t i = 0; i + 32 <= n; i += 32) _mm512_storeu_si512(d + i, _mm512_loadu_si512(s + i));
}
__attribute__((target("avx2"))) inline void CopyLoop256(uint16_t* d, const uint16_t* s, size_t n) {
  for (size_t i = 0; i + 16 <= n; i += 16)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
}
inline void CopyLoop128(uint16_t* d, const uint16_t* s, size_t n) {
  for (size_t i = 0; i + 8 <= n; i += 8)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
}

inline void FrameVectorCopy(benchmark::State& state) {
  TimeFrameCopy(state, tessera::UseAvx512() ? CopyLoop512
                       : tessera::UseAvx2() ? CopyLoop256
                                            : CopyLoop128);
}
#endif

// The display manager on an 800 x 600 headless window made once for the
// program; returns it.
inline CVIEWMANAGE* MakeViewManager() {
  static HWND window = tessera::CreateWindowRecord(kFrameW, kFrameH);
  AfxCreateViewManager(kFrameW, kFrameH, window);
  return AfxGetViewManager();
}

// A w x h plain surface of the display manager in `colour`, key colour
// where keyed(x, y).
template <class Keyed>
SURFACE* SolidSurface(CVIEWMANAGE* vm, int w, int h, unsigned short colour, Keyed keyed) {
  SURFACE* s = vm->CreateSurface(w, h, SS_DIB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s->SetPixel(x, y, keyed(x, y) ? COLOR_KEY : colour);
  return s;
}

// A game folder, as the engine opens one, in a fresh temporary folder
// /tmp/tessera-bench-<name>-XXXXXX: empty databases game/game.mdb and
// data/Pack.mdb and, with `empty_pack`, an empty pack game/a.pak.  Returns
// the folder; stops the program when it cannot be made.
inline std::string MakeGameFolder(const std::string& name, bool empty_pack) {
  std::string top = "/tmp/tessera-bench-" + name + "-XXXXXX";
  if (!::mkdtemp(top.data())) std::abort();
  std::filesystem::create_directories(top + "/game");
  std::filesystem::create_directories(top + "/data");
  if (!CreateDataBaseFile(top + "\\game\\game.mdb") ||
      !CreateDataBaseFile(top + "\\data\\Pack.mdb"))
    std::abort();
  if (empty_pack) {
    std::FILE* f = std::fopen((top + "/game/a.pak").c_str(), "wb");
    if (!f || std::fclose(f) != 0) std::abort();
  }
  return top;
}

// Stores a w x h picture of one colour in `res`'s pack "\\a.pak" under
// `id`, as the display manager loads pictures: width and height as two
// little-endian words, then the packed pixel stream.
inline void AddSolidPicture(CRes& res, const char* id, int w, int h, uint16_t colour) {
  DIBSURFACE s(w, h);
  s.Initialize();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, colour);
  const std::vector<uint8_t> stream = PackedStreamBytes(EncodePackedStream(&s));
  std::vector<unsigned char> record = {
      static_cast<unsigned char>(w & 0xFF), static_cast<unsigned char>(w >> 8),
      static_cast<unsigned char>(h & 0xFF), static_cast<unsigned char>(h >> 8)};
  record.insert(record.end(), stream.begin(), stream.end());
  if (!res.AddDataToPack(record.data(), static_cast<long>(record.size()), id, "\\a.pak", nullptr))
    std::abort();
}

// The pictures every map's chat box loads (its backing window and the
// caret's frames), so that a map made in a benchmark shows no error boxes.
inline void AddChatBoxPictures(CRes& res) {
  AddSolidPicture(res, "pwEditBack", 496, 30, 0x0010);
  for (const char* id : {"EditCurs00", "EditCurs01", "EditCurs02"})
    AddSolidPicture(res, id, 2, 14, 0x7FFF);
}

}  // namespace tessera::bench

#endif
