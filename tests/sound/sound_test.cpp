// Sound: the software mixer, checked sample by sample against the mix
// computed here from the gain formula in floating point; the sound device
// and the wave cache on the headless mixer (the calls they make, in order,
// and the bytes that reach the buffers); the names and sentences of the
// display and sound interfaces' result codes; the music player's command
// strings, mute switch and failures, the sequencer interpreter behind them
// and the end-of-piece notification on the headless sequencer; MIDI files
// (the structure check, the writer, FluidSynth rendering a tune offline);
// and the SDL audio backend with SDL's dummy output: a click plays to its
// end on the audio thread, a MIDI tune plays through FluidSynth.
#include <SDL.h>

#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/headless/headless_midi.h"
#include "platform/mci.h"
#include "platform/midi_renderer.h"
#include "platform/mixer.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/system_volume.h"
#include "platform/test_hooks.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/dx_error.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/midi_file.h"
#include "sound/music.h"
#include "sound/wave_file.h"
#include "support/scoped_env.h"
#include "support/test_support.h"
#include "testing/manual_clock.h"

namespace tessera::test {
namespace {

using Log = std::vector<std::string>;

std::string Le16(uint32_t v) { return {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
// A chunk: identifier, length, body and the pad byte of an odd body.
std::string Chunk(const std::string& id, const std::string& body) {
  return id + Le32(uint32_t(body.size())) + body + std::string(body.size() & 1, '\0');
}
// A 16-byte "fmt " body.
std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint32_t align = channels * (bits / 8);
  return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}
// "RIFF", the length of what follows, "WAVE" and the chunks.
std::string Riff(const std::string& chunks) {
  return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}

class SoundTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(AfxCreateSound(nullptr));
    sound_ = AfxGetSound();
    buffer_ = AfxGetSoundBuffer();
    ClearHeadlessAudioLog();
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    WriteFile(dir_.File(name), bytes);
    return dir_.File(name);
  }
  std::string Samples(size_t n, int seed) {
    std::string s;
    TestRandom r{uint64_t(seed)};
    for (size_t i = 0; i < n; ++i) s += char(r.Next() & 0xFF);
    return s;
  }
  // An eight-byte mono wave `name` in the temporary folder: its path.
  std::string Short(const std::string& name) {
    return Put(name, MakeWaveFile(1, 22050, 16, Samples(8, 1).data(), 8));
  }
  std::string BufferBytes(int number) {
    SoftwareBuffer* b = HeadlessAudioBuffer(number);
    if (!b) return "<released>";
    return std::string(b->samples().begin(), b->samples().end());
  }
  TempDir dir_;
  CDXSound* sound_ = nullptr;
  DxSoundBuffer* buffer_ = nullptr;
};

TEST_F(SoundTest, LoadsCanonicalWaveIntoBufferWithItsFormat) {
  const std::string samples = Samples(8, 1);
  const std::string path = Put("a.wav", MakeWaveFile(2, 22050, 16, samples.data(), 8));
  ASSERT_EQ(buffer_->Load(path.c_str()), 1);
  EXPECT_EQ(HeadlessAudioLog(),
            (Log{"CreateSoundBuffer #1 bytes=8 flags=0x000100E2 tag=1 channels=2 rate=22050 "
                 "avg=88200 align=4 bits=16",
                 "#1 Lock 0 0 0x2", "#1 Unlock"}));
  EXPECT_EQ(BufferBytes(1), samples);
}

TEST_F(SoundTest, SamplesComeFromByte44WhateverTheChunkOrder) {
  // A LIST chunk between "fmt " and "data": the chunk walk finds "data",
  // but the samples are read from byte 44, where the LIST chunk stands.
  const std::string data = Samples(16, 3);
  const std::string with_list = Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 16)) +
                                     Chunk("LIST", "INFOabcd") + Chunk("data", data));
  ASSERT_EQ(buffer_->Load(Put("list.wav", with_list).c_str()), 1);
  EXPECT_EQ(BufferBytes(1), with_list.substr(44, 16));
  // "data" before "fmt " is accepted too.
  const std::string data_first = Riff(Chunk("data", data) + Chunk("fmt ", FmtBody(1, 1, 8000, 8)));
  ASSERT_EQ(buffer_->Load(Put("first.wav", data_first).c_str()), 1);
  EXPECT_EQ(BufferBytes(2), data_first.substr(44, 16));
}

TEST_F(SoundTest, SecondLoadOfSameNameReadsNothingButCaseMatters) {
  const std::string samples = Samples(4, 4);
  const std::string path = Put("Click.wav", MakeWaveFile(1, 22050, 16, samples.data(), 4));
  ASSERT_EQ(buffer_->Load(path.c_str()), 1);
  ASSERT_EQ(std::remove(path.c_str()), 0);  // a second read would fail now
  ClearHeadlessAudioLog();
  EXPECT_EQ(buffer_->Load(path.c_str()), 1);
  EXPECT_EQ(HeadlessAudioLog(), (Log{"#1 GetStatus"}));

  // Same file under another letter case: a new entry, read again.
  Put("click.wav", MakeWaveFile(1, 22050, 16, samples.data(), 4));
  ASSERT_EQ(buffer_->Load(dir_.File("CLICK.wav").c_str()), 1);  // a case-blind path match
  EXPECT_EQ(buffer_->m_Sounds.size(), 2u);
  EXPECT_NE(HeadlessAudioBuffer(2), nullptr);
}

TEST_F(SoundTest, BadFilesFailAndLeaveTheCacheAsItWas) {
  const std::string good = Short("good.wav");
  ASSERT_EQ(buffer_->Load(good.c_str()), 1);
  const std::string fmt = Chunk("fmt ", FmtBody(1, 1, 22050, 16));
  const std::string data = Chunk("data", Samples(8, 6));
  // A sound wave file with `bytes` written over it at `at`.
  auto over = [&](size_t at, const std::string& bytes) {
    return Riff(fmt + data).replace(at, bytes.size(), bytes);
  };
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"notriff.wav", over(0, "X")},
      {"notwave.wav", over(8, "A")},
      {"tinyriff.wav", over(4, Le32(4))},        // RIFF length <= 4
      {"shortriff.wav", over(4, Le32(4 + 24))},  // ends after "fmt "
      {"shortfmt.wav", Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 16).substr(0, 12)) + data)},
      {"nofmt.wav", Riff(data + Chunk("LIST", "abcd"))},
      {"truncated.wav", Riff(fmt + data).substr(0, 30)},
      {"pastend.wav", Riff(fmt + "data" + Le32(4000) + Samples(8, 7))},
      {"bits24.wav", Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 24)) + Chunk("data", Samples(9, 8)))},
      {"float.wav", Riff(Chunk("fmt ", FmtBody(3, 1, 22050, 32)) + Chunk("data", Samples(8, 9)))},
      {"threech.wav",
       Riff(Chunk("fmt ", FmtBody(1, 3, 22050, 16)) + Chunk("data", Samples(12, 1)))},
      {"tinydata.wav", Riff(fmt + Chunk("data", "ab"))},
      {"empty.wav", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Put(c.name, c.bytes);
    EXPECT_EQ(buffer_->Load(path.c_str()), 0);
    EXPECT_EQ(buffer_->m_nCurrent, -1);
    ASSERT_EQ(buffer_->m_Sounds.size(), 1u);
    EXPECT_STREQ(buffer_->m_Sounds[0]->szName, good.c_str());
    EXPECT_EQ(buffer_->Play(0, 0, 0), 0);
  }
  // Each failure says on the log why (the damaged kinds share one text).
  const std::string missing = dir_.File("missing.wav");
  LogRecorder log;
  EXPECT_EQ(buffer_->Load(missing.c_str()), 0);
  EXPECT_EQ(buffer_->Load(dir_.File("notriff.wav").c_str()), 0);
  EXPECT_EQ(buffer_->Load(nullptr), 0);
  EXPECT_EQ(buffer_->Load(std::string(300, 'x').c_str()), 0);  // longer than a cache name
  ASSERT_EQ(log.lines().size(), 3u);
  EXPECT_EQ(log.lines()[0],
            "tessera: warning: cannot load sound " + missing + ": no such file, or not readable");
  EXPECT_EQ(log.lines()[1], "tessera: warning: cannot load sound " + dir_.File("notriff.wav") +
                                ": not a PCM wave file, or damaged");
  EXPECT_TRUE(Contains(log.lines()[2], ": path longer than "));
  // Only the good buffer is alive; every buffer made for a bad file went.
  EXPECT_NE(HeadlessAudioBuffer(1), nullptr);
  for (int n = 2; n < 10; ++n) EXPECT_EQ(HeadlessAudioBuffer(n), nullptr);
}

TEST_F(SoundTest, PlaySetsPanVolumeFrequencyThenPlays) {
  ASSERT_EQ(buffer_->Load(Short("p.wav").c_str()), 1);
  ClearHeadlessAudioLog();
  EXPECT_EQ(buffer_->Play(DSBPLAY_LOOPING, -300, -200), 1);
  EXPECT_EQ(HeadlessAudioLog(),
            (Log{"#1 SetPan -300", "#1 SetVolume -200", "#1 SetFrequency 0", "#1 Play 0x1"}));
  EXPECT_TRUE(HeadlessAudioBuffer(1)->voice().looping);

  // The first failing call ends Play.
  ClearHeadlessAudioLog();
  FailHeadlessAudioCall("SetVolume", DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer_->Play(0, 0, 0), 0);
  EXPECT_EQ(HeadlessAudioLog(), (Log{"#1 SetPan 0", "#1 SetVolume 0 -> 0x80070057"}));
  // A volume outside -10000..0 is refused by the buffer itself.
  EXPECT_EQ(buffer_->Play(0, 0, 100), 0);
}

TEST_F(SoundTest, SoundOffPlaysNothingButSucceedsAndCapsComeFromTheDevice) {
  ASSERT_EQ(buffer_->Load(Short("p.wav").c_str()), 1);
  sound_->SoundOnOff(1);
  ClearHeadlessAudioLog();
  EXPECT_EQ(buffer_->Play(0, 0, 0), 1);
  EXPECT_TRUE(HeadlessAudioLog().empty());
  sound_->SoundOnOff(0);
  EXPECT_EQ(buffer_->Play(0, 0, 0), 1);
  EXPECT_TRUE(HeadlessAudioBuffer(1)->voice().playing);

  EXPECT_EQ(sound_->GetCaps(), 1);
  EXPECT_EQ(sound_->m_Caps.dwMaxSecondarySampleRate, 200000u);
  FailHeadlessAudioCall("GetCaps", DSERR_GENERIC);
  EXPECT_EQ(sound_->GetCaps(), 0);

  // Without a device the switch does not move.
  CDXSound none;
  none.SoundOnOff(0);
  EXPECT_EQ(none.m_bSoundOff, 1);
  EXPECT_EQ(none.GetCaps(), 0);
}

TEST_F(SoundTest, StopRewindsEveryBufferAndPlayDoesNot) {
  EXPECT_EQ(buffer_->Stop(), 0);  // empty cache
  std::vector<int16_t> ramp(100);
  for (int i = 0; i < 100; ++i) ramp[size_t(i)] = int16_t(i * 100);
  const std::string a = dir_.File("a.wav"), b = Short("b.wav");
  ASSERT_TRUE(WriteWaveFile(a, 1, 44100, 16, ramp.data(), 200));
  ASSERT_EQ(buffer_->Load(a.c_str()), 1);
  ASSERT_EQ(buffer_->Play(0, 0, 0), 1);
  int16_t out[2 * 30];
  MixHeadlessAudio(out, 30, 44100);
  EXPECT_EQ(out[2 * 29], 2900);
  ASSERT_EQ(buffer_->Load(b.c_str()), 1);
  // Playing "a" again goes on from where it is: Play does not rewind.
  ASSERT_EQ(buffer_->Load(a.c_str()), 1);
  ASSERT_EQ(buffer_->Play(0, 0, 0), 1);
  MixHeadlessAudio(out, 1, 44100);
  EXPECT_EQ(out[0], 3000);

  ClearHeadlessAudioLog();
  EXPECT_EQ(buffer_->Stop(), 1);
  EXPECT_EQ(HeadlessAudioLog(),
            (Log{"#1 Stop", "#1 SetCurrentPosition 0", "#2 Stop", "#2 SetCurrentPosition 0"}));
  EXPECT_EQ(HeadlessAudioBuffer(1)->voice().frame, 0u);

  FailHeadlessAudioCall("Stop", DSERR_GENERIC);
  ClearHeadlessAudioLog();
  EXPECT_EQ(buffer_->Stop(), 0);
  EXPECT_EQ(HeadlessAudioLog().size(), 1u);
}

TEST_F(SoundTest, SetVolumeAndPanReachEveryBufferIgnoringFailures) {
  for (const char* n : {"a.wav", "b.wav", "c.wav"}) ASSERT_EQ(buffer_->Load(Short(n).c_str()), 1);
  FailHeadlessAudioCall("SetVolume", DSERR_GENERIC);
  ClearHeadlessAudioLog();
  buffer_->SetVolume(-1500);
  buffer_->SetPan(2500);
  EXPECT_EQ(HeadlessAudioLog(),
            (Log{"#1 SetVolume -1500 -> 0x80004005", "#2 SetVolume -1500", "#3 SetVolume -1500",
                 "#1 SetPan 2500", "#2 SetPan 2500", "#3 SetPan 2500"}));
  EXPECT_EQ(HeadlessAudioBuffer(1)->voice().volume, 0);
  EXPECT_EQ(HeadlessAudioBuffer(3)->voice().volume, -1500);
  EXPECT_EQ(HeadlessAudioBuffer(2)->voice().pan, 2500);
}

TEST_F(SoundTest, LostBuffersAreDroppedAtTheNextLookUpAndReloaded) {
  const std::string a = Short("a.wav"), b = Short("b.wav");
  ASSERT_EQ(buffer_->Load(a.c_str()), 1);
  ASSERT_EQ(buffer_->Load(b.c_str()), 1);
  HeadlessAudioBuffer(1)->MarkLost();
  ClearHeadlessAudioLog();
  ASSERT_EQ(buffer_->Load(b.c_str()), 1);
  EXPECT_EQ(HeadlessAudioLog(), (Log{"#1 GetStatus", "#1 Release", "#2 GetStatus"}));
  ASSERT_EQ(buffer_->m_Sounds.size(), 1u);
  EXPECT_EQ(buffer_->m_nCurrent, 0);
  // A failed status query counts as "not lost".
  FailHeadlessAudioCall("GetStatus", DSERR_GENERIC);
  ASSERT_EQ(buffer_->Load(a.c_str()), 1);
  EXPECT_EQ(buffer_->m_Sounds.size(), 2u);
  EXPECT_EQ(std::string(buffer_->m_Sounds[1]->szName), a);
  EXPECT_NE(HeadlessAudioBuffer(3), nullptr);  // "a" was read again
}

// Left in the low word, right in the high; the MIDI and wave words with
// both sides alike and a device without control are the sample game's
// settings test.
TEST_F(SoundTest, SystemVolumeWords) {
  EXPECT_EQ(sound_->SetDIGIVolume(100, 0), 0);
  EXPECT_EQ(sound_->GetDIGIVolume(), 0x0000FFFFul);
  // Above 100 wraps within 16 bits: 200 * 65535 / 100 = 131070 -> 0xFFFE.
  EXPECT_EQ(sound_->SetCDVolume(0, 200), 0);
  EXPECT_EQ(sound_->GetCDVolume(), 0xFFFE0000ul);
  // A failed capability query counts as no control: 1.
  SystemVolumes().FailNextCall(VolumeDevice::kMidi, MMSYSERR_ERROR);
  EXPECT_EQ(sound_->SetMIDIVolume(10, 10), 1);
}

class SoundCreateTest : public EngineTest {};

// No device: no message box, the reason on the log, and a buffer without
// a device loads nothing, fine as the wave is.
TEST_F(SoundCreateTest, FailedDeviceMeansNoSoundAndALogLine) {
  LogRecorder log;
  FailHeadlessAudioCall("DirectSoundCreate", DSERR_NODRIVER);
  EXPECT_FALSE(AfxCreateSound(nullptr));
  EXPECT_EQ(AfxGetSound(), nullptr);
  EXPECT_EQ(AfxGetSoundBuffer(), nullptr);
  EXPECT_TRUE(HeadlessMessages().empty());
  ASSERT_EQ(log.lines().size(), 1u);
  // The code's own text, in GBK: 无法使用声卡
  EXPECT_EQ(log.lines()[0],
            "tessera: warning: no sound effects: no audio device is open ("
            "\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3\xC9\xF9\xBF\xA8)");
  WriteFile("click.wav", MakeClickWave());  // in the test's own current folder
  DxSoundBuffer orphan;
  EXPECT_EQ(orphan.Load("click.wav"), 0);
  EXPECT_EQ(log.lines().back(),
            "tessera: warning: cannot load sound click.wav: no audio device is open");
  EXPECT_EQ(orphan.Play(0, 0, 0), 0);
  EXPECT_EQ(orphan.Stop(), 0);

  FailHeadlessAudioCall("SetCooperativeLevel", DSERR_ALLOCATED);
  CDXSound s;
  EXPECT_EQ(s.Create(nullptr), 0);
  EXPECT_EQ(std::make_pair(s.m_bNoDevice, s.m_bSoundOff), std::make_pair(1, 1));
  EXPECT_EQ(s.m_pDirectSound, nullptr);
  EXPECT_EQ(s.Create(nullptr), 1);
  EXPECT_EQ(std::make_pair(s.m_bNoDevice, s.m_bSoundOff), std::make_pair(0, 0));
}

// A second creation releases the first device and its buffers; freeing the
// engine releases the buffers before the device.
TEST_F(SoundCreateTest, CreateLinksBufferAndReleasesBuffersBeforeTheDevice) {
  WriteFile("c.wav", MakeClickWave());
  ASSERT_TRUE(AfxCreateSound(nullptr));
  EXPECT_EQ(HeadlessAudioLog(), (Log{"DirectSoundCreate", "SetCooperativeLevel 1"}));
  ASSERT_EQ(AfxGetSoundBuffer()->Load("c.wav"), 1);
  ClearHeadlessAudioLog();
  ASSERT_TRUE(AfxCreateSound(nullptr));
  EXPECT_EQ(HeadlessAudioLog(),
            (Log{"#1 Release", "Release", "DirectSoundCreate", "SetCooperativeLevel 1"}));
  EXPECT_EQ(AfxGetSoundBuffer()->m_pSound, AfxGetSound());
  EXPECT_EQ(AfxGetSoundBuffer()->m_nCurrent, -1);
  ASSERT_EQ(AfxGetSoundBuffer()->Load("c.wav"), 1);
  ClearHeadlessAudioLog();
  AfxFreeEngine();
  EXPECT_EQ(HeadlessAudioLog(), (Log{"#2 Release", "Release"}));
  EXPECT_EQ(AfxGetSound(), nullptr);
  EXPECT_EQ(AfxGetSoundBuffer(), nullptr);
}

TEST_F(SoundCreateTest, DDErrorShowsNameFileAndLineAndDSErrorShowsNothing) {
  EXPECT_EQ(DDError(HRESULT(0x887601C2), nullptr, "view.cpp", 42), 1);  // surface lost, 450
  EXPECT_EQ(DDError(HRESULT(0x12345678), nullptr, "a.cpp", 7), 1);
  ASSERT_EQ(HeadlessMessages().size(), 2u);
  EXPECT_EQ(HeadlessMessages()[0].caption, "Error");
  EXPECT_EQ(HeadlessMessages()[0].text,
            "DirectDraw Error DDERR_SURFACELOST\nFILE: view.cpp\nLINE: 42");
  EXPECT_EQ(HeadlessMessages()[0].icon, MessageIcon::kNone);
  EXPECT_EQ(HeadlessMessages()[1].text, "DirectDraw Error Unknown Error\nFILE: a.cpp\nLINE: 7");
  EXPECT_STREQ(DSErrorName(DSERR_BUFFERLOST), "DSERR_BUFFERLOST");
  EXPECT_STREQ(DSErrorName(DSERR_UNINITIALIZED), "DSERR_UNINITIALIZED");
  EXPECT_STREQ(DSErrorName(DSERR_NOAGGREGATION), "DSERR_NOAGGREGATION");
  EXPECT_STREQ(DSErrorName(DSERR_INVALIDPARAM), "DSERR_INVALIDPARAM");
  EXPECT_STREQ(DSErrorName(0x1234), "Unknown Error");
  DSError(DSERR_NODRIVER, nullptr);
  DSError(0x1234, nullptr);
  EXPECT_EQ(HeadlessMessages().size(), 2u);
}

// Every code from 0x88760000 to 0x887602FF that has a name has its own and
// a sentence of its own: the 95 named ones of that range (plus 5 shared COM
// codes outside it).
TEST(DxError, DisplayCodesHaveNamesAndSentences) {
  EXPECT_STREQ(DDErrorName(HRESULT(0x80004005)), "DDERR_GENERIC");
  EXPECT_STREQ(DDErrorName(HRESULT(0x8876021C)), "DDERR_WASSTILLDRAWING");  // 540
  EXPECT_STREQ(DXErrorToString(0), "No error.");
  EXPECT_STREQ(DXErrorToString(HRESULT(0x80004005)), "Generic failure.");
  EXPECT_STREQ(DXErrorToString(HRESULT(0x88760001)), "Unrecognized error value.");
  std::set<std::string> names, sentences;
  for (uint32_t c = 0x88760000; c < 0x88760300; ++c) {
    const std::string n = DDErrorName(HRESULT(c));
    if (n == "Unknown Error") continue;
    EXPECT_EQ(n.rfind("DDERR_", 0), 0u);
    names.insert(n);
    sentences.insert(DXErrorToString(HRESULT(c)));
  }
  EXPECT_EQ(names.size(), 95u);
  EXPECT_EQ(sentences.size(), 95u);
  EXPECT_EQ(sentences.count("Unrecognized error value."), 0u);
}

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
