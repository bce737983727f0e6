// The SDL audio backend end to end with SDL's dummy output (no sound card):
// a click plays to its end through our mixer on the audio thread, and a
// MIDI tune opens and plays through FluidSynth.
#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#include <string>

#include "platform/headless/headless_audio.h"
#include "platform/mci.h"
#include "platform/midi_renderer.h"
#include "public/engine.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/midi_file.h"
#include "sound/music.h"
#include "sound/wave_file.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

class SdlAudioTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // The suite runs with SDL_AUDIODRIVER=dummy; outside CTest, use it too.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!sdl::UseSdlAudio()) GTEST_SKIP() << "no SDL audio output";
  }
  void TearDown() override {
    AfxFreeEngine();
    MciSendString("close all", nullptr);
    sdl::CloseSdlAudio();
    EngineTest::TearDown();
  }
  TempDir dir_;
};

TEST_F(SdlAudioTest, ClickPlaysToItsEndOnTheAudioThread) {
  EXPECT_GT(sdl::SdlAudioRate(), 0u);
  ASSERT_TRUE(AfxCreateSound(nullptr));
  EXPECT_TRUE(HeadlessAudioLog().empty());  // the SDL device, not the headless one
  WriteFile(dir_.File("click.wav"), MakeClickWave(22050));
  DxSoundBuffer* sounds = AfxGetSoundBuffer();
  ASSERT_EQ(sounds->Load(dir_.File("click.wav").c_str()), 1);
  EXPECT_EQ(AfxGetSound()->GetCaps(), 1);
  ASSERT_EQ(sounds->Play(0, -500, -300), 1);
  tessera::AudioBuffer* b = sounds->m_Sounds[0]->pBuffer;
  DWORD status = 0;
  ASSERT_EQ(b->GetStatus(&status), DS_OK);
  // 30 ms of sound: the output thread finishes it well within two seconds.
  for (int i = 0; i < 200 && (status & DSBSTATUS_PLAYING); ++i) {
    SDL_Delay(10);
    b->GetStatus(&status);
  }
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
  DWORD pos = 1;
  EXPECT_EQ(b->GetCurrentPosition(&pos, nullptr), DS_OK);
  EXPECT_EQ(pos, 0u);  // rewound at its end
  ASSERT_EQ(sounds->Play(DSBPLAY_LOOPING, 0, 0), 1);
  SDL_Delay(100);
  b->GetStatus(&status);
  EXPECT_EQ(status, DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
  EXPECT_EQ(sounds->Stop(), 1);
}

TEST_F(SdlAudioTest, MusicPlaysThroughFluidSynth) {
  if (FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI sound font installed";
  ASSERT_TRUE(WriteMidiFile(dir_.File("tune.mid"), ShortTune()));
  WriteFile(dir_.File("bad.mid"), "MThd");
  ASSERT_TRUE(AfxCreateMusic(nullptr));
  CMusic* music = AfxGetMusic();
  EXPECT_FALSE(music->Play(dir_.File("bad.mid").c_str()));
  ASSERT_TRUE(music->Play(dir_.File("tune.mid").c_str()));
  SDL_Delay(50);
  EXPECT_TRUE(music->Pause());
  EXPECT_TRUE(music->Resume());
  EXPECT_TRUE(music->Restart());
  EXPECT_TRUE(music->Stop());
  EXPECT_FALSE(music->Resume());
}

}  // namespace
}  // namespace tessera::test
