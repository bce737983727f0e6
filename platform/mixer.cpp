#include "platform/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessera {

int32_t VolumeGainQ16(int32_t volume) {
  volume = std::clamp(volume, -10000, 0);
  if (volume == 0) return 65536;
  return static_cast<int32_t>(std::lround(std::pow(10.0, volume / 2000.0) * 65536.0));
}

void PanGainsQ16(int32_t pan, int32_t* left, int32_t* right) {
  pan = std::clamp(pan, -10000, 10000);
  *left = pan > 0 ? VolumeGainQ16(-pan) : 65536;
  *right = pan < 0 ? VolumeGainQ16(pan) : 65536;
}

int32_t MasterGainQ16(uint32_t half_word) {
  half_word &= 0xFFFF;
  return static_cast<int32_t>(half_word + (half_word >> 15));
}

namespace {

// One sample of channel `c` at frame `f`, as a signed 16-bit value.
template <int Bits, int Channels>
inline int32_t Sample(const uint8_t* data, uint32_t f, int c) {
  if constexpr (Bits == 8) {
    return (int32_t(data[size_t(f) * Channels + c]) - 128) * 256;
  } else {
    int16_t s;
    std::memcpy(&s, data + (size_t(f) * Channels + c) * 2, 2);
    return s;
  }
}

inline int32_t Scale(int32_t s, int32_t g) { return (s * g + 32768) >> 16; }

template <int Bits, int Channels>
void MixOne(MixVoice& v, int32_t* acc, size_t frames, uint32_t out_rate, int32_t gl, int32_t gr) {
  const uint32_t n = v.Frames();
  if (n == 0) {
    v.playing = false;
    return;
  }
  if (v.frame >= n) v.frame = v.looping ? v.frame % n : 0, v.frac = 0;
  const uint32_t rate = v.frequency ? v.frequency : v.rate;
  const uint64_t step = (uint64_t(rate) << 32) / (out_rate ? out_rate : 1);
  const uint8_t* d = v.data;
  size_t i = 0;
  while (i < frames) {
    if (step == (uint64_t(1) << 32) && v.frac == 0) {
      // Same rate as the output: samples pass straight through.
      const size_t run = std::min<size_t>(frames - i, n - v.frame);
      int32_t* a = acc + 2 * i;
      const uint32_t f0 = v.frame;
      for (size_t k = 0; k < run; ++k) {
        const int32_t l = Sample<Bits, Channels>(d, f0 + uint32_t(k), 0);
        const int32_t r = Channels == 2 ? Sample<Bits, Channels>(d, f0 + uint32_t(k), 1) : l;
        a[2 * k] += Scale(l, gl);
        a[2 * k + 1] += Scale(r, gr);
      }
      i += run;
      v.frame += uint32_t(run);
    } else {
      int32_t l = Sample<Bits, Channels>(d, v.frame, 0);
      int32_t r = Channels == 2 ? Sample<Bits, Channels>(d, v.frame, 1) : l;
      if (v.frac) {
        const uint32_t next = v.frame + 1 < n ? v.frame + 1 : (v.looping ? 0 : v.frame);
        const int32_t t = int32_t(v.frac >> 17);  // 15-bit weight keeps the product in range
        const int32_t l1 = Sample<Bits, Channels>(d, next, 0);
        const int32_t r1 = Channels == 2 ? Sample<Bits, Channels>(d, next, 1) : l1;
        l += ((l1 - l) * t) >> 15;
        r += ((r1 - r) * t) >> 15;
      }
      acc[2 * i] += Scale(l, gl);
      acc[2 * i + 1] += Scale(r, gr);
      ++i;
      const uint64_t pos = ((uint64_t(v.frame) << 32) | v.frac) + step;
      v.frame = uint32_t(std::min<uint64_t>(pos >> 32, 0xFFFFFFFFu));
      v.frac = uint32_t(pos);
    }
    if (v.frame >= n) {
      if (v.looping) {
        v.frame %= n;
      } else {
        // A sound played once stops at its end and is rewound, so that the
        // next play starts it again from the beginning.
        v.playing = false;
        v.frame = 0;
        v.frac = 0;
        return;
      }
    }
  }
}

}  // namespace

void AccumulateVoices(MixVoice* const* voices, size_t count, int32_t* acc, size_t frames,
                      uint32_t out_rate) {
  for (size_t k = 0; k < count; ++k) {
    MixVoice& v = *voices[k];
    if (!v.playing || !v.data) continue;
    int32_t pl, pr;
    PanGainsQ16(v.pan, &pl, &pr);
    const int64_t g = VolumeGainQ16(v.volume);
    const int32_t gl = int32_t((g * pl + 32768) >> 16);
    const int32_t gr = int32_t((g * pr + 32768) >> 16);
    if (v.bits == 16 && v.channels == 1)
      MixOne<16, 1>(v, acc, frames, out_rate, gl, gr);
    else if (v.bits == 16 && v.channels == 2)
      MixOne<16, 2>(v, acc, frames, out_rate, gl, gr);
    else if (v.bits == 8 && v.channels == 1)
      MixOne<8, 1>(v, acc, frames, out_rate, gl, gr);
    else if (v.bits == 8 && v.channels == 2)
      MixOne<8, 2>(v, acc, frames, out_rate, gl, gr);
    else
      v.playing = false;  // a format the mixer cannot play is never heard
  }
}

void FinishMix(const int32_t* acc, int16_t* out, size_t frames, int32_t master_left,
               int32_t master_right) {
  for (size_t i = 0; i < frames; ++i) {
    const int64_t l = (int64_t(acc[2 * i]) * master_left + 32768) >> 16;
    const int64_t r = (int64_t(acc[2 * i + 1]) * master_right + 32768) >> 16;
    out[2 * i] = int16_t(std::clamp<int64_t>(l, -32768, 32767));
    out[2 * i + 1] = int16_t(std::clamp<int64_t>(r, -32768, 32767));
  }
}

void MixVoices(MixVoice* const* voices, size_t count, int16_t* out, size_t frames,
               uint32_t out_rate, int32_t master_left, int32_t master_right) {
  // Mixed in slices so that the accumulator stays on the stack.
  int32_t acc[2 * 512];
  while (frames) {
    const size_t n = std::min<size_t>(frames, 512);
    std::fill(acc, acc + 2 * n, 0);
    AccumulateVoices(voices, count, acc, n, out_rate);
    FinishMix(acc, out, n, master_left, master_right);
    out += 2 * n;
    frames -= n;
  }
}

}  // namespace tessera
