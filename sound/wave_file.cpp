#include "sound/wave_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/byte_order.h"
#include "platform/path.h"

namespace tessera {

bool FindWaveChunks(const uint8_t* image, size_t size, WaveChunks* out) {
  *out = WaveChunks();
  const ByteView view(image, size);
  if (!view.Has(0, 12)) return false;
  if (std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) return false;
  const uint32_t riff_length = Le32(image + 4);
  if (riff_length <= 4) return false;
  const uint64_t end = 8 + uint64_t(riff_length);
  uint64_t pos = 12;
  while (pos < end) {
    uint32_t n = 0;
    if (!view.Le32(pos + 4, &n)) return false;  // the chunk header is not in the image
    const uint8_t* header = image + pos;
    const uint64_t body = pos + 8;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (!out->format) {
        if (n < 14 || !view.Has(body, 14)) return false;
        out->format = image + body;
        out->format_bytes = n;
        if (out->data && out->length) return true;
      }
    } else if (std::memcmp(header, "data", 4) == 0) {
      out->data = image + std::min<uint64_t>(body, size);
      out->length = n;
      if (out->format) return true;
    }
    pos = body + n + (n & 1);
  }
  return false;
}

WAVEFORMATEX ReadWaveFormat(const WaveChunks& chunks, const uint8_t* image, size_t size) {
  WAVEFORMATEX f;
  std::memset(&f, 0, sizeof f);
  if (!chunks.format || chunks.format < image || chunks.format >= image + size) return f;
  const size_t avail = size_t(image + size - chunks.format);
  const size_t n = std::min({size_t(chunks.format_bytes), sizeof f, avail});
  std::memcpy(&f, chunks.format, n);
  return f;
}

std::string MakeWaveFile(uint16_t channels, uint32_t rate, uint16_t bits, const void* samples,
                         size_t bytes) {
  const uint32_t align = uint32_t(channels) * (bits / 8);
  std::string s;
  s.reserve(44 + bytes + 1);
  s += "RIFF";
  PutLe32(s, uint32_t(36 + bytes + (bytes & 1)));
  s += "WAVE";
  s += "fmt ";
  PutLe32(s, 16);
  PutLe16(s, WAVE_FORMAT_PCM);
  PutLe16(s, channels);
  PutLe32(s, rate);
  PutLe32(s, rate * align);
  PutLe16(s, align);
  PutLe16(s, bits);
  s += "data";
  PutLe32(s, uint32_t(bytes));
  if (bytes) s.append(static_cast<const char*>(samples), bytes);
  if (bytes & 1) s += '\0';
  return s;
}

bool WriteWaveFile(std::string_view path, uint16_t channels, uint32_t rate, uint16_t bits,
                   const void* samples, size_t bytes) {
  const std::string image = MakeWaveFile(channels, rate, bits, samples, bytes);
  std::FILE* f = OpenFile(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
  return std::fclose(f) == 0 && ok;
}

std::string MakeClickWave(uint32_t rate) {
  const size_t n = rate * 30 / 1000;
  std::vector<int16_t> samples(n);
  const double pi = 3.14159265358979323846;
  for (size_t i = 0; i < n; ++i) {
    const double t = double(i) / rate;
    const double envelope = std::exp(-t * 150.0);
    samples[i] = int16_t(std::lround(12000.0 * envelope * std::sin(2 * pi * 2000.0 * t)));
  }
  // Samples are stored little-endian, as the host keeps them.
  return MakeWaveFile(1, rate, 16, samples.data(), samples.size() * 2);
}

}  // namespace tessera
