// Decoding a GIF from memory: a 320x240 picture in 10 frames with a
// 256-colour table, every frame's indices decoded.  QGifFile streaming over
// the bytes against giflib's DGifSlurp over the same bytes.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gui/gif_file.h"

namespace {

using tessera::bench::MemoryReader;
using tessera::bench::ReadFromMemory;
using tessera::bench::WriteToString;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFrames = 10;

// Smooth gradients with a little noise, moving from frame to frame: the
// kind of picture an animated sprite holds, neither flat nor random.
const std::string& Sample() {
  static const std::string bytes = [] {
    std::string out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, WriteToString, &err);
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; i++)
      colors[static_cast<size_t>(i)] = {static_cast<GifByteType>(i),
                                        static_cast<GifByteType>(255 - i),
                                        static_cast<GifByteType>(i * 7)};
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
    GifFreeMapObject(map);
    uint32_t seed = 12345;
    std::vector<GifPixelType> row(kWidth);
    for (int f = 0; f < kFrames; f++) {
      EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr);
      for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
          seed = seed * 1103515245u + 12345u;
          const int noise = ((seed >> 16) & 7) == 0 ? static_cast<int>((seed >> 20) & 3) : 0;
          row[static_cast<size_t>(x)] =
              static_cast<GifPixelType>(((x + 2 * f) / 3 + y / 5 + noise) & 0xFF);
        }
        EGifPutLine(gif, row.data(), kWidth);
      }
    }
    EGifCloseFile(gif, &err);
    return out;
  }();
  return bytes;
}

void GifDecodeTessera(benchmark::State& state) {
  const std::string& bytes = Sample();
  for (auto _ : state) {
    QGifFile gif;
    if (!gif.Open(bytes.data(), static_cast<long>(bytes.size())))
      state.SkipWithError("open failed");
    for (int f = 0; f < kFrames; f++) {
      stGifFrame* frame = gif.GetNextFrame();
      if (!frame)
        state.SkipWithError("decode failed");
      else
        benchmark::DoNotOptimize(frame->m_pPixels[kWidth * kHeight - 1]);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * kFrames);
}

void GifDecodeGiflib(benchmark::State& state) {
  const std::string& bytes = Sample();
  for (auto _ : state) {
    MemoryReader reader{&bytes, 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &err);
    if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount != kFrames)
      state.SkipWithError("slurp failed");
    else
      benchmark::DoNotOptimize(gif->SavedImages[kFrames - 1].RasterBits[kWidth * kHeight - 1]);
    DGifCloseFile(gif, &err);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * kFrames);
}

}  // namespace

BENCHMARK(GifDecodeTessera)->Name("GifDecode/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(GifDecodeGiflib)->Name("GifDecode/giflib")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
