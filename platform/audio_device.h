// Host service: the wave mixer behind the sound effects.
//
// A device is opened for a window, creates secondary buffers of PCM
// samples, and mixes every playing buffer into the output.  The interface
// follows the mixer the sound classes were written for: results are
// HRESULT codes (platform/dsound_types.h), volume and pan are hundredths of
// a decibel, positions are byte offsets.
//
// Two backends provide it: the headless device (platform/headless/
// headless_audio.h, the default: logs every call, can fail on request) and
// the SDL2 device (platform/sdl/sdl_audio.h: real output through our own
// mixer, platform/mixer.h).  A game installs the SDL one when it starts.
#ifndef TESSERA_PLATFORM_AUDIO_DEVICE_H
#define TESSERA_PLATFORM_AUDIO_DEVICE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dsound_types.h"
#include "platform/mixer.h"

namespace tessera {

class AudioBuffer {
 public:
  virtual ~AudioBuffer() = default;  // releases the buffer
  virtual HRESULT GetStatus(DWORD* status) = 0;
  virtual HRESULT SetPan(long pan) = 0;
  virtual HRESULT SetVolume(long volume) = 0;
  virtual HRESULT SetFrequency(DWORD frequency) = 0;
  virtual HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT SetCurrentPosition(DWORD position) = 0;
  virtual HRESULT GetCurrentPosition(DWORD* play, DWORD* write) = 0;
  // Gives the region(s) to write; with DSBLOCK_ENTIREBUFFER the whole buffer
  // comes back as the first region and the second is empty.
  virtual HRESULT Lock(DWORD offset, DWORD bytes, void** region1, DWORD* bytes1, void** region2,
                       DWORD* bytes2, DWORD flags) = 0;
  virtual HRESULT Unlock(void* region1, DWORD bytes1, void* region2, DWORD bytes2) = 0;
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;  // releases the device
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
  virtual HRESULT GetCaps(DSCAPS* caps) = 0;
  virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc,
                                    std::unique_ptr<AudioBuffer>* buffer) = 0;
};

// Opens the installed backend's default device (the mixer's
// DirectSoundCreate).  On failure *device stays empty.
HRESULT CreateAudioDevice(std::unique_ptr<AudioDevice>* device);

typedef std::function<HRESULT(std::unique_ptr<AudioDevice>*)> AudioDeviceFactory;
// Installs a backend; an empty factory reinstalls the headless device.
void SetAudioDeviceFactory(AudioDeviceFactory factory);

// Checks a buffer description as every backend must: a secondary buffer of
// DSBSIZE_MIN..DSBSIZE_MAX bytes in PCM format, 1 or 2 channels, 8 or 16
// bits, block alignment channels * bits / 8, DSBFREQUENCY_MIN..MAX samples
// per second.  DS_OK, DSERR_INVALIDPARAM or DSERR_BADFORMAT.
HRESULT CheckBufferDesc(const DSBUFFERDESC* desc);

// The capabilities of the software mixer, as both backends report them.
void SoftwareMixerCaps(DSCAPS* caps);

// A buffer held in memory and mixed by platform/mixer.h: the implementation
// both backends share.  `lock` (may be null) is the mutex of the thread
// that mixes; every change of the voice is made under it.
class SoftwareBuffer : public AudioBuffer {
 public:
  SoftwareBuffer(const DSBUFFERDESC& desc, std::mutex* lock);
  HRESULT GetStatus(DWORD* status) override;
  HRESULT SetPan(long pan) override;
  HRESULT SetVolume(long volume) override;
  HRESULT SetFrequency(DWORD frequency) override;
  HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override;
  HRESULT Stop() override;
  HRESULT SetCurrentPosition(DWORD position) override;
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override;
  HRESULT Lock(DWORD offset, DWORD bytes, void** region1, DWORD* bytes1, void** region2,
               DWORD* bytes2, DWORD flags) override;
  HRESULT Unlock(void* region1, DWORD bytes1, void* region2, DWORD bytes2) override;

  // Marks the buffer lost: its status says so and every call but GetStatus
  // fails with DSERR_BUFFERLOST (what a mixer does when it loses its memory).
  void MarkLost();
  bool lost() const { return lost_; }
  // The voice the mixer plays; read it under the lock.
  MixVoice& voice() { return voice_; }
  const std::vector<uint8_t>& samples() const { return samples_; }
  const WAVEFORMATEX& format() const { return format_; }
  DWORD flags() const { return flags_; }

 private:
  std::unique_lock<std::mutex> Guard();

  std::mutex* lock_;
  std::vector<uint8_t> samples_;
  WAVEFORMATEX format_;
  DWORD flags_;
  MixVoice voice_;
  bool locked_ = false;
  bool lost_ = false;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
