// Mixing 32 simultaneous sound buffers into a 44.1 kHz 16-bit stereo
// stream, 1024 frames (23 ms) per call, as the audio callback does.  The
// counter rt_fraction is the time spent per second of audio produced
// (0.01 = 1% of real time).
//
// Mix32/tessera: our mixer, each voice with its own volume and pan.
// Mix32/sdl2: SDL_MixAudioFormat adding the same 32 voices with a volume
// each (it has no pan, so it does somewhat less work).
// Mix32Resampled/tessera: 32 mono 22.05 kHz voices, resampled.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/mixer.h"
#include "support/test_support.h"

namespace {

constexpr size_t kFrames = 1024;
constexpr int kVoices = 32;
constexpr uint32_t kRate = 44100;

std::vector<std::vector<int16_t>> MakeSounds(size_t samples) {
  tessera::test::TestRandom rnd(3);
  std::vector<std::vector<int16_t>> sounds(kVoices, std::vector<int16_t>(samples));
  for (auto& s : sounds)
    for (auto& x : s) x = int16_t(rnd.Range(-20000, 20000));
  return sounds;
}

// One voice per sound, each with its own volume and pan, looping.
std::vector<tessera::MixVoice> MakeVoices(const std::vector<std::vector<int16_t>>& sounds,
                                          uint16_t channels, uint32_t rate) {
  std::vector<tessera::MixVoice> voices(sounds.size());
  for (size_t i = 0; i < sounds.size(); ++i) {
    auto& v = voices[i];
    v.data = reinterpret_cast<const uint8_t*>(sounds[i].data());
    v.bytes = uint32_t(sounds[i].size() * 2);
    v.channels = channels;
    v.bits = 16;
    v.rate = rate;
    v.volume = -100 * int32_t(i % 20);
    v.pan = (int32_t(i % 9) - 4) * 500;
    v.playing = v.looping = true;
    v.frame = uint32_t(i * 1000) % (v.Frames() ? v.Frames() : 1);
  }
  return voices;
}

void RunMix(benchmark::State& state, std::vector<tessera::MixVoice>& voices) {
  std::vector<tessera::MixVoice*> ptrs;
  for (auto& v : voices) ptrs.push_back(&v);
  std::vector<int16_t> out(2 * kFrames);
  for (auto _ : state) {
    tessera::MixVoices(ptrs.data(), ptrs.size(), out.data(), kFrames, kRate);
    benchmark::DoNotOptimize(out.data());
  }
}

void SetRealTimeCounter(benchmark::State& state) {
  const double audio_seconds = double(state.iterations()) * kFrames / kRate;
  state.counters["rt_fraction"] =
      benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Mix32Tessera(benchmark::State& state) {
  auto sounds = MakeSounds(2 * kRate * 2);  // 2 s of stereo
  auto voices = MakeVoices(sounds, 2, kRate);
  RunMix(state, voices);
  SetRealTimeCounter(state);
}
BENCHMARK(Mix32Tessera)->Name("Mix32/tessera");

void Mix32Sdl(benchmark::State& state) {
  auto sounds = MakeSounds(2 * kRate * 2);
  std::vector<size_t> pos(kVoices);
  for (int i = 0; i < kVoices; ++i) pos[size_t(i)] = size_t(i) * 2000;
  std::vector<int16_t> out(2 * kFrames);
  const size_t bytes = out.size() * 2;
  for (auto _ : state) {
    std::memset(out.data(), 0, bytes);
    for (int i = 0; i < kVoices; ++i) {
      auto& s = sounds[size_t(i)];
      size_t& p = pos[size_t(i)];
      if (p + out.size() > s.size()) p = 0;  // loop, in whole blocks
      SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()),
                         reinterpret_cast<const Uint8*>(s.data() + p), AUDIO_S16SYS, Uint32(bytes),
                         SDL_MIX_MAXVOLUME - (i % 20) * 4);
      p += out.size();
    }
    benchmark::DoNotOptimize(out.data());
  }
  SetRealTimeCounter(state);
}
BENCHMARK(Mix32Sdl)->Name("Mix32/sdl2");

void Mix32Resampled(benchmark::State& state) {
  auto sounds = MakeSounds(2 * 22050);  // 2 s of mono at 22.05 kHz
  auto voices = MakeVoices(sounds, 1, 22050);
  RunMix(state, voices);
  SetRealTimeCounter(state);
}
BENCHMARK(Mix32Resampled)->Name("Mix32Resampled/tessera");

}  // namespace

BENCHMARK_MAIN();
