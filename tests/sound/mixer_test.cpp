// The software mixer, checked sample by sample against the mix computed
// here from the gain formula in floating point.
#include "platform/mixer.h"

#include <cmath>
#include <tuple>
#include <vector>

#include "support/test_support.h"

namespace tessera::test {
namespace {

// Gain of a volume in hundredths of a decibel, as a Q16 factor.
int32_t Q16(double db100) { return int32_t(std::lround(std::pow(10.0, db100 / 2000.0) * 65536.0)); }
int32_t Contribution(int32_t sample, int32_t gain) { return (sample * gain + 32768) >> 16; }
int16_t Clamp(int64_t v) { return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

MixVoice Voice(const std::vector<int16_t>& s, uint16_t channels, uint32_t rate) {
  MixVoice v;
  v.data = reinterpret_cast<const uint8_t*>(s.data());
  v.bytes = uint32_t(s.size() * 2);
  v.channels = channels;
  v.bits = 16;
  v.rate = rate;
  v.playing = true;
  return v;
}

// The gains inside the range are the sample-by-sample test's oracle; here
// the ends and the clamps.
TEST(MixerGain, DecibelTable) {
  EXPECT_EQ(VolumeGainQ16(0), 65536);
  EXPECT_EQ(VolumeGainQ16(-10000), 1);  // -100 dB
  EXPECT_EQ(VolumeGainQ16(-20000), 1);  // clamped
  EXPECT_EQ(VolumeGainQ16(500), 65536);
  int32_t l, r;
  PanGainsQ16(10000, &l, &r);
  EXPECT_EQ(std::make_pair(l, r), std::make_pair(1, 65536));
  EXPECT_EQ(MasterGainQ16(0xFFFF), 65536);
  EXPECT_EQ(MasterGainQ16(0x7FFF), 32767);
}

TEST(Mixer, TwoSoundsAtDifferentVolumesAndPansSampleBySample) {
  TestRandom rnd(7);
  std::vector<int16_t> a(300), b(200 * 2);
  for (auto& s : a) s = int16_t(rnd.Range(-30000, 30000));
  for (auto& s : b) s = int16_t(rnd.Range(-30000, 30000));
  MixVoice va = Voice(a, 1, 44100), vb = Voice(b, 2, 44100);
  va.volume = -600;
  va.pan = -1500;  // right side 15 dB down
  vb.volume = -1200;
  vb.pan = 400;  // left side 4 dB down
  MixVoice* voices[] = {&va, &vb};
  std::vector<int16_t> out(2 * 256, 12345);
  MixVoices(voices, 2, out.data(), 256, 44100);

  const int32_t ga = Q16(-600), gb = Q16(-1200);
  const int32_t a_left = int32_t((int64_t(ga) * 65536 + 32768) >> 16);
  const int32_t a_right = int32_t((int64_t(ga) * Q16(-1500) + 32768) >> 16);
  const int32_t b_left = int32_t((int64_t(gb) * Q16(-400) + 32768) >> 16);
  const int32_t b_right = int32_t((int64_t(gb) * 65536 + 32768) >> 16);
  for (size_t i = 0; i < 256; ++i) {
    int64_t l = Contribution(a[i], a_left), r = Contribution(a[i], a_right);
    if (i < 200) {
      l += Contribution(b[2 * i], b_left);
      r += Contribution(b[2 * i + 1], b_right);
    }
    ASSERT_EQ(out[2 * i], Clamp(l)) << "left " << i;
    ASSERT_EQ(out[2 * i + 1], Clamp(r)) << "right " << i;
  }
  // b played once: stopped at its end and rewound; a goes on.
  EXPECT_EQ(std::make_tuple(vb.playing, vb.frame, va.playing, va.frame),
            std::make_tuple(false, 0u, true, 256u));
}

TEST(Mixer, LoudSumsClampAndMasterGainScales) {
  std::vector<int16_t> loud(64, 30000);
  MixVoice v1 = Voice(loud, 1, 22050), v2 = Voice(loud, 1, 22050);
  MixVoice* voices[] = {&v1, &v2};
  std::vector<int16_t> out(2 * 16);
  MixVoices(voices, 2, out.data(), 16, 22050);
  EXPECT_EQ(std::make_pair(out[0], out[1]), std::make_pair(int16_t{32767}, int16_t{32767}));
  MixVoices(voices, 2, out.data(), 16, 22050, 16384, 0);
  EXPECT_EQ(std::make_pair(out[0], out[1]),
            std::make_pair(int16_t{15000}, int16_t{0}));  // 60000 * 0.25
}

TEST(Mixer, LoopingWrapsAndEightBitIsCentred) {
  std::vector<uint8_t> bytes = {0x80, 0xFF, 0x00, 0x90};
  MixVoice v = Voice({}, 1, 8000);
  v.data = bytes.data();
  v.bytes = 4;
  v.bits = 8;
  v.looping = true;
  MixVoice* voices[] = {&v};
  std::vector<int16_t> out(2 * 10);
  MixVoices(voices, 1, out.data(), 10, 8000);
  const int16_t expect[] = {0, 32512, -32768, 4096};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(out[2 * i], expect[i % 4]) << i;
  EXPECT_TRUE(v.playing);
  EXPECT_EQ(v.frame, 2u);
}

TEST(Mixer, ResamplesByLinearInterpolation) {
  // A 22050 Hz voice into a 44100 Hz stream: every second output sample
  // lies halfway between two input samples.
  std::vector<int16_t> s = {0, 1000, -1000, 3000};
  MixVoice v = Voice(s, 1, 22050);
  MixVoice* voices[] = {&v};
  std::vector<int16_t> out(2 * 8);
  MixVoices(voices, 1, out.data(), 8, 44100);
  const int16_t expect[] = {0, 500, 1000, 0, -1000, 1000, 3000, 3000};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(out[2 * i], expect[i]) << i;
  EXPECT_FALSE(v.playing);

  // A playback frequency overrides the voice's own rate.
  MixVoice w = Voice(s, 1, 44100);
  w.frequency = 88200;  // twice as fast: every other sample
  MixVoice* ws[] = {&w};
  MixVoices(ws, 1, out.data(), 2, 44100);
  EXPECT_EQ(std::make_pair(out[0], out[2]), std::make_pair(int16_t{0}, int16_t{-1000}));
}

TEST(Mixer, StoppedLockedAndStrangeVoicesAreSilent) {
  std::vector<int16_t> s(16, 1000);
  MixVoice stopped = Voice(s, 1, 44100);
  stopped.playing = false;
  MixVoice locked = Voice(s, 1, 44100);
  locked.data = nullptr;
  MixVoice odd = Voice(s, 3, 44100);
  MixVoice* voices[] = {&stopped, &locked, &odd};
  std::vector<int16_t> out(2 * 8, 7);
  MixVoices(voices, 3, out.data(), 8, 44100);
  for (int16_t x : out) EXPECT_EQ(x, 0);
  EXPECT_FALSE(odd.playing);
  EXPECT_EQ(stopped.frame, 0u);
}

}  // namespace
}  // namespace tessera::test
