// The software wave mixer: sums many sound buffers into one 16-bit stereo
// stream.
//
// Each voice is a block of PCM samples (8-bit unsigned or 16-bit signed,
// mono or stereo) with its own volume, pan, playback rate, loop flag and
// position.  The arithmetic is integer and fixed, so a mix can be checked
// sample by sample:
//
//   gain(volume)   = 10^(volume / 2000), volume in hundredths of a decibel
//                    clamped to -10000..0, as a Q16 factor (65536 = 1.0)
//   pan < 0        attenuates the right side by gain(pan), pan > 0 the left
//                    side by gain(-pan); the near side keeps 1.0
//   per side       g = (gain(volume) * gain(pan side) + 32768) >> 16
//   per voice      contribution = (sample * g + 32768) >> 16  (arithmetic shift)
//   output         clamp(sum of contributions * master + 32768 >> 16)
//
// A mono voice feeds both sides; a stereo voice feeds left from left and
// right from right.  8-bit samples become (s - 128) << 8.  A voice whose
// rate differs from the output's is resampled by linear interpolation with
// a 32-bit fractional position; at equal rates the samples pass unchanged.
// The mixer is used by the SDL audio backend's callback and by tests and
// benchmarks directly; it has no notion of time or devices.
#ifndef TESSERA_PLATFORM_MIXER_H
#define TESSERA_PLATFORM_MIXER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>

namespace tessera {

struct MixVoice {
  const uint8_t* data = nullptr;  // sample bytes, not owned
  uint32_t bytes = 0;             // length of data
  uint16_t channels = 1;          // 1 or 2
  uint16_t bits = 16;             // 8 or 16
  uint32_t rate = 22050;          // the samples' own rate
  uint32_t frequency = 0;         // playback rate; 0 plays at `rate`
  int32_t volume = 0;             // hundredths of a decibel, -10000..0
  int32_t pan = 0;                // -10000 (left) .. 10000 (right)
  bool playing = false;
  bool looping = false;
  uint32_t frame = 0;  // position in frames (one sample per channel)
  uint32_t frac = 0;   // fraction of a frame, in 2^-32 units

  uint32_t BlockAlign() const { return uint32_t(channels) * (bits / 8); }
  uint32_t Frames() const { return BlockAlign() ? bytes / BlockAlign() : 0; }
};

// Q16 gain of a volume in hundredths of a decibel (clamped to -10000..0).
int32_t VolumeGainQ16(int32_t volume);
// Q16 gains of the left and right side for a pan (clamped to -10000..10000).
void PanGainsQ16(int32_t pan, int32_t* left, int32_t* right);
// Q16 master gain of one half (0..0xFFFF) of a system volume word; 0xFFFF
// is exactly 1.0.
int32_t MasterGainQ16(uint32_t half_word);

// Mixes `frames` stereo frames at `out_rate` from every playing voice into
// `out` (interleaved left, right), replacing what was there.  Voices
// advance; a voice that is not looping stops at its end and goes back to
// frame 0.  `master_left` / `master_right` are Q16 gains (65536 = 1.0).
void MixVoices(MixVoice* const* voices, size_t count, int16_t* out, size_t frames,
               uint32_t out_rate, int32_t master_left = 65536, int32_t master_right = 65536);

// The same, adding into a 32-bit accumulator of 2 * frames values (before
// master gain and clamping).  MixVoices is this followed by FinishMix.
void AccumulateVoices(MixVoice* const* voices, size_t count, int32_t* acc, size_t frames,
                      uint32_t out_rate);
void FinishMix(const int32_t* acc, int16_t* out, size_t frames, int32_t master_left,
               int32_t master_right);

}  // namespace tessera

#pragma GCC visibility pop
#endif
