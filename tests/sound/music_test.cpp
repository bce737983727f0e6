// The music player's command strings, its mute switch and failures, the
// sequencer interpreter behind them and the end-of-piece notification, on
// the headless sequencer; MIDI files: the structure check, the writer, and
// FluidSynth rendering a written tune offline.
#include "sound/music.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/headless/headless_midi.h"
#include "platform/mci.h"
#include "platform/midi_renderer.h"
#include "platform/test_hooks.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/midi_file.h"
#include "support/scoped_env.h"
#include "support/test_support.h"
#include "testing/manual_clock.h"

namespace tessera::test {
namespace {

class MusicTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    clock_ = InstallManualClock(1000);
    window_ = CreateWindowRecord(640, 480);
    ASSERT_TRUE(AfxCreateMusic(window_));
    music_ = AfxGetMusic();
    tune_ = dir_.File("tune.mid");
    ASSERT_TRUE(WriteMidiFile(tune_, ShortTune()));
  }
  void TearDown() override {
    EngineTest::TearDown();
    while (DispatchPostedMessage()) {
    }
    DestroyWindowRecord(window_);
  }
  // The sequencer's commands, " [window]" after those that notify the
  // player's window, " -> code" after those that failed.
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const MciCommand& c : MciCommandLog())
      out.push_back(c.command +
                    (c.notify == window_ ? " [window]"
                     : c.notify          ? " [other]"
                                         : "") +
                    (c.result ? " -> " + std::to_string(c.result) : ""));
    return out;
  }
  TempDir dir_;
  ManualClock* clock_ = nullptr;
  HWND window_ = nullptr;
  CMusic* music_ = nullptr;
  std::string tune_;
};

TEST_F(MusicTest, PlaySendsCloseOpenPlay) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{"close all", "open " + tune_ + " type sequencer alias MUSIC",
                                      "play MUSIC from 0 notify [window]"}));
  EXPECT_TRUE(HeadlessMidi().playing);
  // A null name changes nothing.
  ClearMciCommandLog();
  EXPECT_FALSE(music_->Play(nullptr));
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(HeadlessMidi().playing);
  // A long path is cut to the command buffer.
  const std::string path = "/" + std::string(300, 'a') + ".mid";
  ClearMciCommandLog();
  EXPECT_FALSE(music_->Play(path.c_str()));
  ASSERT_EQ(Commands().size(), 2u);
  EXPECT_EQ(MciCommandLog()[1].command, ("open " + path).substr(0, 255));
}

TEST_F(MusicTest, PauseResumeKeepThePositionAndRestartGoesBack) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  clock_->Advance(500);
  ASSERT_TRUE(music_->Pause());
  clock_->Advance(1000);
  EXPECT_FALSE(HeadlessMidi().playing);
  EXPECT_EQ(HeadlessMidi().position_ms, 500u);
  ASSERT_TRUE(music_->Resume());
  clock_->Advance(200);
  EXPECT_EQ(HeadlessMidi().position_ms, 700u);
  ASSERT_TRUE(music_->Restart());
  clock_->Advance(30);
  EXPECT_EQ(HeadlessMidi().position_ms, 30u);
  const auto sent = Commands();
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(sent.begin() + 3, sent.end()),
            (std::vector<std::string>{"stop MUSIC", "play MUSIC notify [window]",
                                      "play MUSIC from 0 notify [window]"}));
}

TEST_F(MusicTest, MuteStopsAndSilencesThePlayCommands) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  ClearMciCommandLog();
  music_->Mute(1);
  EXPECT_FALSE(HeadlessMidi().open);
  EXPECT_TRUE(music_->Play(tune_.c_str()));
  EXPECT_TRUE(music_->Pause());
  EXPECT_TRUE(music_->Resume());
  EXPECT_TRUE(music_->Restart());
  EXPECT_TRUE(music_->Stop());  // still sent while muted
  music_->Mute(0);              // unmuting plays nothing
  EXPECT_EQ(Commands(), (std::vector<std::string>{"close all", "close all"}));
  EXPECT_TRUE(music_->Play(tune_.c_str()));
  EXPECT_TRUE(HeadlessMidi().playing);
}

TEST_F(MusicTest, MissingOrCorruptFilesFailAfterClosingTheOldMusic) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  const std::string missing = dir_.File("missing.mid");
  ClearMciCommandLog();
  LogRecorder log;
  EXPECT_FALSE(music_->Play(missing.c_str()));
  const std::string open = "open " + missing + " type sequencer alias MUSIC -> ";
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{"close all", open + std::to_string(MCIERR_FILE_NOT_FOUND)}));
  EXPECT_FALSE(HeadlessMidi().open);

  // A file that is not music (the structure check has its own table).
  WriteFile(dir_.File("text.mid"), "this is not music at all");
  ClearMciCommandLog();
  EXPECT_FALSE(music_->Play(dir_.File("text.mid").c_str()));
  EXPECT_EQ(MciCommandLog().back().result, MCIERROR(MCIERR_INVALID_FILE));
  // The log says why, in the sequencer's words.
  ASSERT_EQ(log.lines().size(), 2u);
  EXPECT_EQ(log.lines()[0], "tessera: warning: cannot play music " + missing +
                                ": The specified file cannot be found.");
  EXPECT_EQ(log.lines()[1],
            "tessera: warning: cannot play music " + dir_.File("text.mid") +
                ": The specified file cannot be played: it is not a valid MIDI file.");
  // No synthesizer: the open fails with the backend's code.
  FailNextHeadlessMidiOpen(MCIERR_SEQ_NOMIDIPRESENT);
  EXPECT_FALSE(music_->Play(tune_.c_str()));
  EXPECT_EQ(MciCommandLog().back().result, MCIERROR(MCIERR_SEQ_NOMIDIPRESENT));
}

TEST_F(MusicTest, CommandsWithoutAnOpenDeviceFailAndRestartReports) {
  EXPECT_FALSE(music_->Pause());
  EXPECT_FALSE(music_->Resume());
  testing::internal::CaptureStdout();
  EXPECT_FALSE(music_->Restart());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR: Sequencer device did not open!\r\n"
            "The specified device is not open or is not recognized.\r\n");
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  FailNextHeadlessMidiPlay(0x1234);  // a code without a text
  testing::internal::CaptureStdout();
  EXPECT_FALSE(music_->Restart());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR: Sequencer device did not open!\r\n0x00001234 returned!\r\n");
}

TEST_F(MusicTest, EndOfPieceNotifiesTheWindowOnlyWhenItEndsByItself) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  EXPECT_EQ(SimulateEndOfPiece(), 1);
  ASSERT_TRUE(DispatchPostedMessage());
  ASSERT_EQ(tessera::ReceivedMessages(window_).size(), 1u);
  const auto& notice = tessera::ReceivedMessages(window_)[0];
  EXPECT_EQ(std::make_pair(notice.message, notice.wparam),
            std::make_pair(UINT(MM_MCINOTIFY), WPARAM(MCI_NOTIFY_SUCCESSFUL)));
  EXPECT_NE(notice.lparam, 0);  // the device id
  EXPECT_FALSE(HeadlessMidi().playing);

  // Restart plays the open piece again.
  ASSERT_TRUE(music_->Restart());
  EXPECT_TRUE(HeadlessMidi().playing);
  // A paused piece does not end; a closed one does not either.
  ASSERT_TRUE(music_->Pause());
  EXPECT_EQ(SimulateEndOfPiece(), 0);
  ASSERT_TRUE(music_->Resume());
  ASSERT_TRUE(music_->Stop());
  EXPECT_EQ(SimulateEndOfPiece(), 0);
  EXPECT_FALSE(DispatchPostedMessage());
  EXPECT_EQ(tessera::ReceivedMessages(window_).size(), 1u);
}

// A second player replaces the first; freeing either sends nothing, so the
// music plays on.
TEST_F(MusicTest, PlayerIsReplacedAndFreedWithoutClosingTheDevice) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  ASSERT_TRUE(AfxCreateMusic(nullptr));
  AfxFreeEngine();
  EXPECT_EQ(AfxGetMusic(), nullptr);
  EXPECT_EQ(Commands().size(), 3u);
  EXPECT_TRUE(HeadlessMidi().playing);
}

TEST(MciInterpreter, KeywordsAndFailures) {
  ResetMciForTests();
  TempDir dir;
  ASSERT_TRUE(WriteMidiFile(dir.File("x.mid"), ShortTune()));
  const std::string open = "OPEN " + dir.File("x.mid") + " Type Sequencer Alias Song";
  const std::pair<std::string, MCIERROR> commands[] = {
      {open, 0},
      {open, MCIERR_DUPLICATE_ALIAS},
      {"play song from 0", 0},
      {"play song from 100", MCIERR_OUTOFRANGE},
      {"play song loudly", MCIERR_UNRECOGNIZED_KEYWORD},
      {"stop music", MCIERR_INVALID_DEVICE_NAME},
      {"seek song to start", MCIERR_UNRECOGNIZED_COMMAND},
      {"", MCIERR_MISSING_COMMAND_STRING},
      {"open x.mid type cdaudio alias cd", MCIERR_INVALID_DEVICE_NAME},
      {"close song", 0},
      {"close song", MCIERR_INVALID_DEVICE_NAME}};
  for (const auto& [command, result] : commands)
    EXPECT_EQ(MciSendString(command.c_str(), nullptr), result) << command;
  EXPECT_EQ(MciSendString(nullptr, nullptr), MCIERROR(MCIERR_MISSING_COMMAND_STRING));
  char text[128];
  EXPECT_FALSE(MciGetErrorString(12345, text, sizeof text));
  EXPECT_STREQ(text, "");
  ResetMciForTests();
}

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
