#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/audio_device.h"
#include "platform/log.h"
#include "platform/mci.h"
#include "platform/midi_renderer.h"
#include "platform/mixer.h"
#include "platform/system_volume.h"

namespace tessera::sdl {

namespace {

class SdlBuffer;
class SdlMidiPlayer;

// Everything the audio thread reads, under one lock.  Created once and
// never destroyed, so that buffers released during exit still find it.
struct Output {
  std::mutex lock;
  SDL_AudioDeviceID device = 0;
  uint32_t rate = 0;
  std::vector<SdlBuffer*> buffers;
  std::vector<SdlMidiPlayer*> players;
  std::vector<int32_t> acc;
  std::vector<int16_t> music;
};

Output& Out() {
  static Output* output = new Output;
  return *output;
}

class SdlBuffer : public SoftwareBuffer {
 public:
  explicit SdlBuffer(const DSBUFFERDESC& desc) : SoftwareBuffer(desc, &Out().lock) {
    std::lock_guard<std::mutex> g(Out().lock);
    Out().buffers.push_back(this);
  }
  ~SdlBuffer() override {
    std::lock_guard<std::mutex> g(Out().lock);
    auto& b = Out().buffers;
    b.erase(std::remove(b.begin(), b.end(), this), b.end());
  }
};

class SdlDevice : public AudioDevice {
 public:
  HRESULT SetCooperativeLevel(HWND, DWORD level) override {
    return level == DSSCL_NORMAL ? DS_OK : DSERR_INVALIDPARAM;
  }
  HRESULT GetCaps(DSCAPS* caps) override {
    if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
    SoftwareMixerCaps(caps);
    return DS_OK;
  }
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc,
                            std::unique_ptr<AudioBuffer>* buffer) override {
    buffer->reset();
    if (HRESULT hr = CheckBufferDesc(desc)) return hr;
    try {
      *buffer = std::make_unique<SdlBuffer>(*desc);
    } catch (const std::bad_alloc&) {
      return DSERR_OUTOFMEMORY;
    }
    return DS_OK;
  }
};

class SdlMidiPlayer : public MidiPlayer {
 public:
  explicit SdlMidiPlayer(std::unique_ptr<MidiRenderer> renderer) : renderer_(std::move(renderer)) {
    std::lock_guard<std::mutex> g(Out().lock);
    Out().players.push_back(this);
  }
  ~SdlMidiPlayer() override {
    std::lock_guard<std::mutex> g(Out().lock);
    auto& p = Out().players;
    p.erase(std::remove(p.begin(), p.end(), this), p.end());
  }
  MCIERROR Play(bool from_start) override {
    std::lock_guard<std::mutex> g(Out().lock);
    return renderer_->Play(from_start) ? 0 : MCIERR_HARDWARE;
  }
  MCIERROR Stop() override {
    std::lock_guard<std::mutex> g(Out().lock);
    renderer_->Stop();
    return 0;
  }
  bool TakeEnded() override {
    std::lock_guard<std::mutex> g(Out().lock);
    return renderer_->TakeEnded();
  }
  // Called on the audio thread, under the lock.
  void Render(int16_t* out, size_t frames) { renderer_->Render(out, frames); }

 private:
  std::unique_ptr<MidiRenderer> renderer_;
};

void Callback(void*, Uint8* stream, int len) {
  Output& o = Out();
  auto* out = reinterpret_cast<int16_t*>(stream);
  const size_t frames = size_t(len) / 4;
  std::lock_guard<std::mutex> g(o.lock);
  o.acc.assign(2 * frames, 0);
  std::vector<MixVoice*> voices;
  voices.reserve(o.buffers.size());
  for (SdlBuffer* b : o.buffers)
    if (!b->lost()) voices.push_back(&b->voice());
  AccumulateVoices(voices.data(), voices.size(), o.acc.data(), frames, o.rate);
  const DWORD wave = SystemVolumes().Get(VolumeDevice::kWave);
  const DWORD midi = SystemVolumes().Get(VolumeDevice::kMidi);
  FinishMix(o.acc.data(), out, frames, MasterGainQ16(wave & 0xFFFF), MasterGainQ16(wave >> 16));
  if (o.players.empty()) return;
  // The music joins the mixed effects under its own master volume.
  const int64_t ml = MasterGainQ16(midi & 0xFFFF), mr = MasterGainQ16(midi >> 16);
  o.music.resize(2 * frames);
  for (SdlMidiPlayer* p : o.players) {
    p->Render(o.music.data(), frames);
    for (size_t i = 0; i < frames; ++i) {
      const int64_t l = out[2 * i] + ((o.music[2 * i] * ml + 32768) >> 16);
      const int64_t r = out[2 * i + 1] + ((o.music[2 * i + 1] * mr + 32768) >> 16);
      out[2 * i] = int16_t(std::clamp<int64_t>(l, -32768, 32767));
      out[2 * i + 1] = int16_t(std::clamp<int64_t>(r, -32768, 32767));
    }
  }
}

std::unique_ptr<MidiPlayer> MakeMidiPlayer(const std::string& path,
                                           const std::vector<uint8_t>& bytes, MCIERROR* error) {
  if (FindSoundFont().empty()) {
    LogWarning("no General MIDI sound font for " + path, "music stays silent");
    *error = MCIERR_SEQ_NOMIDIPRESENT;
    return nullptr;
  }
  std::string why;
  auto renderer = MidiRenderer::Create(bytes, Out().rate, &why);
  if (!renderer) {
    LogWarning("cannot play " + path, why);
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  return std::make_unique<SdlMidiPlayer>(std::move(renderer));
}

}  // namespace

bool UseSdlAudio() {
  Output& o = Out();
  if (o.device) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    LogWarning("no sound: no SDL audio", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want, have;
  SDL_zero(want);
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = Callback;
  // SDL converts if the card wants another rate; the mixer always sees
  // 16-bit stereo at the rate it was given.
  const SDL_AudioDeviceID dev =
      SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (dev == 0) {
    LogWarning("no sound: cannot open the audio output", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  {
    std::lock_guard<std::mutex> g(o.lock);
    o.device = dev;
    o.rate = uint32_t(have.freq);
  }
  SetAudioDeviceFactory([](std::unique_ptr<AudioDevice>* device) {
    *device = std::make_unique<SdlDevice>();
    return DS_OK;
  });
  SetMidiPlayerFactory(MakeMidiPlayer);
  SDL_PauseAudioDevice(dev, 0);
  return true;
}

void CloseSdlAudio() {
  Output& o = Out();
  SetAudioDeviceFactory({});
  SetMidiPlayerFactory({});
  if (!o.device) return;
  SDL_CloseAudioDevice(o.device);  // waits for the callback to finish
  std::lock_guard<std::mutex> g(o.lock);
  o.device = 0;
  o.rate = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

uint32_t SdlAudioRate() { return Out().rate; }

}  // namespace tessera::sdl
