// The music player's command strings, its mute switch and failures, the
// sequencer interpreter behind them and the end-of-piece notification, on
// the headless sequencer.
#include "sound/music.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/headless/headless_midi.h"
#include "platform/mci.h"
#include "platform/test_hooks.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/midi_file.h"
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
  EXPECT_EQ(Commands(), (std::vector<std::string>{"close all"}));
  EXPECT_FALSE(HeadlessMidi().open);
  ClearMciCommandLog();
  EXPECT_TRUE(music_->Play(tune_.c_str()));
  EXPECT_TRUE(music_->Pause());
  EXPECT_TRUE(music_->Resume());
  EXPECT_TRUE(music_->Restart());
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(music_->Stop());  // still sent while muted
  EXPECT_EQ(Commands().size(), 1u);
  music_->Mute(0);
  EXPECT_EQ(Commands().size(), 1u);  // unmuting plays nothing
  EXPECT_FALSE(HeadlessMidi().open);
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
  ASSERT_EQ(Commands().size(), 2u);
  EXPECT_EQ(MciCommandLog()[1].result, MCIERROR(MCIERR_INVALID_FILE));
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

TEST_F(MusicTest, PlayerIsReplacedAndFreedWithoutClosingTheDevice) {
  ASSERT_TRUE(music_->Play(tune_.c_str()));
  ASSERT_TRUE(AfxCreateMusic(nullptr));
  ClearMciCommandLog();
  AfxFreeEngine();
  EXPECT_EQ(AfxGetMusic(), nullptr);
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(HeadlessMidi().playing);  // freeing the player does not stop the music
}

TEST_F(MusicTest, LongPathIsCutToTheCommandBuffer) {
  const std::string path = "/" + std::string(300, 'a') + ".mid";
  EXPECT_FALSE(music_->Play(path.c_str()));
  ASSERT_EQ(Commands().size(), 2u);
  EXPECT_EQ(MciCommandLog()[1].command, ("open " + path).substr(0, 255));
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

}  // namespace
}  // namespace tessera::test
