// The sound and music services say on the log why nothing plays: no audio
// device, a missing or damaged wave file, a MIDI file that cannot be
// played.
#include <string>

#include "platform/dsound_types.h"
#include "platform/headless/headless_audio.h"
#include "public/engine.h"
#include "sound/dx_sound_buffer.h"
#include "sound/music.h"
#include "sound/wave_file.h"
#include "support/test_support.h"

namespace {

using tessera::test::Contains;

using tessera::test::LogRecorder;

class SoundLogTest : public tessera::test::EngineTest {
 protected:
  tessera::test::TempDir dir_;
};

TEST_F(SoundLogTest, NoDeviceIsSaidAndSoundsThenCannotLoad) {
  LogRecorder log;
  tessera::FailHeadlessAudioCall("DirectSoundCreate", DSERR_NODRIVER);
  EXPECT_FALSE(AfxCreateSound(nullptr));
  ASSERT_EQ(log.lines().size(), 1u);
  // The code's own text, in GBK: 无法使用声卡
  EXPECT_EQ(log.lines()[0],
            "tessera: warning: no sound effects: no audio device is open ("
            "\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3\xC9\xF9\xBF\xA8)");
  // A buffer without a device: the wave itself is fine.
  const std::string wave = dir_.File("click.wav");
  tessera::test::WriteFile(wave, tessera::MakeClickWave());
  DxSoundBuffer orphan;
  EXPECT_EQ(orphan.Load(wave.c_str()), 0);
  EXPECT_EQ(log.lines().back(),
            "tessera: warning: cannot load sound " + wave + ": no audio device is open");
  EXPECT_EQ(orphan.Play(0, 0, 0), 0);
  EXPECT_EQ(orphan.Stop(), 0);
}

TEST_F(SoundLogTest, MissingAndDamagedWaveFilesAreNamed) {
  ASSERT_TRUE(AfxCreateSound(nullptr));
  DxSoundBuffer* sounds = AfxGetSoundBuffer();
  const std::string missing = dir_.File("none.wav"), damaged = dir_.File("bad.wav"),
                    good = dir_.File("ok.wav");
  tessera::test::WriteFile(damaged, "RIFF\x10\0\0\0WAVEjunk");
  tessera::test::WriteFile(good, tessera::MakeClickWave());
  LogRecorder log;
  EXPECT_EQ(sounds->Load(missing.c_str()), 0);
  EXPECT_EQ(sounds->Load(damaged.c_str()), 0);
  EXPECT_EQ(sounds->Load(good.c_str()), 1);
  EXPECT_EQ(sounds->Load(std::string(300, 'x').c_str()), 0);
  ASSERT_EQ(log.lines().size(), 3u);
  EXPECT_EQ(log.lines()[0],
            "tessera: warning: cannot load sound " + missing + ": no such file, or not readable");
  EXPECT_EQ(log.lines()[1],
            "tessera: warning: cannot load sound " + damaged + ": not a PCM wave file, or damaged");
  EXPECT_TRUE(Contains(log.lines()[2], ": path longer than "));
}

TEST_F(SoundLogTest, MusicThatCannotPlaySaysWhy) {
  ASSERT_TRUE(AfxCreateMusic(nullptr));
  const std::string missing = dir_.File("none.mid"), damaged = dir_.File("bad.mid");
  tessera::test::WriteFile(damaged, "MThd but not really");
  LogRecorder log;
  EXPECT_FALSE(AfxGetMusic()->Play(missing.c_str()));
  EXPECT_FALSE(AfxGetMusic()->Play(damaged.c_str()));
  ASSERT_EQ(log.lines().size(), 2u);
  EXPECT_EQ(log.lines()[0], "tessera: warning: cannot play music " + missing +
                                ": The specified file cannot be found.");
  EXPECT_EQ(log.lines()[1],
            "tessera: warning: cannot play music " + damaged +
                ": The specified file cannot be played: it is not a valid MIDI file.");
}

}  // namespace
