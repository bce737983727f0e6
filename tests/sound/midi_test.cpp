// MIDI files: the structure check, the writer, and FluidSynth rendering a
// written tune offline.
#include <cmath>
#include <string>
#include <vector>

#include "platform/midi_renderer.h"
#include "sound/midi_file.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

bool Check(const std::string& s) {
  return CheckMidiFile(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

// A format-0 file of one track at 96 ticks a quarter note around `track`.
std::string Smf(const std::string& track) {
  const size_t n = track.size();
  return std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0", 20) + char(n >> 8) + char(n) + track;
}

std::string Patched(std::string s, size_t at, char byte) {
  s[at] = byte;
  return s;
}

TEST(MidiFile, WriterBytesAndStructureCheck) {
  const std::string one = MakeMidiFile({{0, 96, 60, 100, 0}}, 96, 500000, 5);
  EXPECT_EQ(one, Smf(std::string("\0\xFF\x51\x03\x07\xA1\x20"    // tempo 500000
                                 "\0\xC0\x05"                    // instrument 5
                                 "\0\x90\x3C\x64\x60\x80\x3C\0"  // one note of 96 ticks
                                 "\0\xFF\x2F\0",                 // end of track
                                 22)));
  EXPECT_TRUE(Check(one));
  EXPECT_TRUE(Check(MakeMidiFile(ShortTune())));
  // Running status is legal after a channel message.
  const std::string running = Smf(std::string("\0\x90\x3C\x64\x10\x3E\x64\0\xFF\x2F\0", 11));
  EXPECT_TRUE(Check(running));

  const std::string bad[] = {
      Smf(std::string("\0\x3C\x64\0\xFF\x2F\0", 7)),  // data bytes with no status before them
      Patched(one, 21, 0x40),                         // track length past the end
      Smf(std::string("\xFF\xFF\xFF\xFF\x00\xFF\x2F\0", 8)),  // a delta of five bytes
      Smf(std::string("\0\xFF\x01\x7F\x41", 5)),              // a meta event past the end
      Smf(std::string("\0\x90\x3C", 3)),                      // a note cut short
      Smf(std::string("\0\xF8", 2)),                          // a real-time byte
      Patched(Patched(one, 12, 0), 13, 0),                    // no ticks per quarter note
      Patched(one, 9, 3),                                     // format 3
      Patched(one, 11, 2),                                    // announces a track that is not there
      Patched(one, 7, 0x40),                                  // header length past the end
      one.substr(0, 13),                                      // shorter than a header
  };
  for (const std::string& s : bad) EXPECT_FALSE(Check(s)) << testing::PrintToString(s);
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
  std::vector<int16_t> sides[2];
  for (size_t i = 0; i < audio.size(); ++i) sides[i % 2].push_back(audio[i]);
  EXPECT_GT(Rms(sides[0]), 0.0);
  EXPECT_GT(Rms(sides[1]), 0.0);

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
  TempDir dir;
  WriteFile(dir.File("bad.sf2"), "not a sound font");
  ScopedEnv font("TESSERA_SOUNDFONT", dir.File("bad.sf2").c_str());
  // The variable names a file that exists, so it is used, and fails to load.
  const std::string file = MakeMidiFile(ShortTune());
  std::string error;
  EXPECT_EQ(MidiRenderer::Create({file.begin(), file.end()}, 44100, &error), nullptr);
  EXPECT_TRUE(Contains(error, "cannot load the sound font"));
}

}  // namespace
}  // namespace tessera::test
