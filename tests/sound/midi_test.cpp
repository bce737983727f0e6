// MIDI files: the structure check, the writer, and FluidSynth rendering a
// written tune offline.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/midi_renderer.h"
#include "sound/midi_file.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

bool Check(const std::string& s) {
  return CheckMidiFile(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(MidiFile, WriterBytesAndStructureCheck) {
  const std::string one = MakeMidiFile({{0, 96, 60, 100, 0}}, 96, 500000, 5);
  const std::string expect = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14) + "MTrk" +
                             std::string("\0\0\0\x16", 4) +
                             std::string("\0\xFF\x51\x03\x07\xA1\x20", 7) +
                             std::string("\0\xC0\x05", 3) + std::string("\0\x90\x3C\x64", 4) +
                             std::string("\x60\x80\x3C\0", 4) + std::string("\0\xFF\x2F\0", 4);
  EXPECT_EQ(one, expect);
  EXPECT_TRUE(Check(one));
  EXPECT_TRUE(Check(MakeMidiFile(ShortTune())));

  // Running status is legal after a channel message.
  std::string running = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x0B", 22) +
                        std::string("\0\x90\x3C\x64\x10\x3E\x64\0\xFF\x2F\0", 11);
  EXPECT_TRUE(Check(running));

  std::string bad_status = running;
  bad_status[23] = 0x3C;  // data byte with no status before it
  std::string big_len = one;
  big_len[21] = 0x40;  // track length past the end
  std::string long_delta = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x08", 22) +
                           std::string("\xFF\xFF\xFF\xFF\x00\xFF\x2F\0", 8);
  std::string meta_past = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x05", 22) +
                          std::string("\0\xFF\x01\x7F\x41", 5);
  std::string cut_note = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x03", 22) +
                         std::string("\0\x90\x3C", 3);
  std::string realtime =
      std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x02", 22) + std::string("\0\xF8", 2);
  std::string zero_division = one;
  zero_division[12] = zero_division[13] = 0;
  std::string format3 = one;
  format3[9] = 3;
  std::string two_tracks = one;
  two_tracks[11] = 2;  // announces a track that is not there
  std::string big_header = one;
  big_header[7] = 0x40;  // header length past the end
  for (const std::string& s :
       {bad_status, big_len, long_delta, meta_past, cut_note, realtime, zero_division, format3,
        two_tracks, big_header, one.substr(0, 13), std::string("MThd"), std::string()})
    EXPECT_FALSE(Check(s)) << testing::PrintToString(s);
  EXPECT_FALSE(CheckMidiFile(nullptr, 0));
}

double Rms(const std::vector<int16_t>& s) {
  double sum = 0;
  for (int16_t x : s) sum += double(x) * x;
  return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

// Renders until the piece reports its end (at most `limit` frames) and
// returns the number of frames that took.
size_t RenderToEnd(MidiRenderer& r, std::vector<int16_t>* all, size_t limit) {
  std::vector<int16_t> block(2 * 441);
  size_t frames = 0;
  while (frames < limit) {
    r.Render(block.data(), 441);
    frames += 441;
    if (all) all->insert(all->end(), block.begin(), block.end());
    if (r.TakeEnded()) return frames;
  }
  return frames;
}

TEST(MidiRenderer, RendersAShortTuneOfflineStopsAndEnds) {
  if (FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI sound font installed";
  const std::string file = MakeMidiFile(ShortTune());
  std::string error;
  auto r = MidiRenderer::Create({file.begin(), file.end()}, 44100, &error);
  ASSERT_NE(r, nullptr) << error;

  std::vector<int16_t> silent(2 * 4410);
  r->Render(silent.data(), 4410);  // not started yet
  EXPECT_EQ(Rms(silent), 0.0);

  ASSERT_TRUE(r->Play(true));
  std::vector<int16_t> audio;
  const size_t frames = RenderToEnd(*r, &audio, 44100 * 10);
  // Six eighth notes and a half-note chord at 120 beats per minute: 2 s,
  // then the synthesizer's grace time for the last notes to die away.
  EXPECT_GT(frames, size_t(44100 * 2.0));
  EXPECT_LT(frames, size_t(44100 * 6.0));
  EXPECT_FALSE(r->playing());
  EXPECT_GT(Rms({audio.begin(), audio.begin() + 2 * 44100 * 2}), 300.0);
  // Both sides carry sound.
  double left = 0, right = 0;
  for (size_t i = 0; i < audio.size(); i += 2) {
    left += std::abs(audio[i]);
    right += std::abs(audio[i + 1]);
  }
  EXPECT_GT(left, 0);
  EXPECT_GT(right, 0);

  // From the start again, one second in, stopped: time does not run, and
  // playing on from there takes the rest of the piece.
  ASSERT_TRUE(r->Play(true));
  std::vector<int16_t> block(2 * 44100);
  r->Render(block.data(), 44100);
  r->Stop();
  EXPECT_FALSE(r->playing());
  for (int i = 0; i < 3; ++i) r->Render(block.data(), 44100);
  EXPECT_LT(Rms(block), 50.0);
  EXPECT_FALSE(r->TakeEnded());
  ASSERT_TRUE(r->Play(false));
  const size_t rest = RenderToEnd(*r, nullptr, 44100 * 10);
  EXPECT_NEAR(double(rest), double(frames) - 44100.0, 44100 * 0.15);
}

TEST(MidiRenderer, MissingSoundFontIsAClearError) {
  const char* old = std::getenv("TESSERA_SOUNDFONT");
  const std::string saved = old ? old : "";
  TempDir dir;
  WriteFile(dir.File("bad.sf2"), "not a sound font");
  setenv("TESSERA_SOUNDFONT", dir.File("bad.sf2").c_str(), 1);
  // The variable names a file that exists, so it is used, and fails to load.
  const std::string file = MakeMidiFile(ShortTune());
  std::string error;
  EXPECT_EQ(MidiRenderer::Create({file.begin(), file.end()}, 44100, &error), nullptr);
  EXPECT_TRUE(Contains(error, "cannot load the sound font"));
  if (old)
    setenv("TESSERA_SOUNDFONT", saved.c_str(), 1);
  else
    unsetenv("TESSERA_SOUNDFONT");
}

}  // namespace
}  // namespace tessera::test
