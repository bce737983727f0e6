// The sound device: opens the wave mixer for the game window, silences all
// effects on request, and sets and reads the system volumes of the MIDI
// synthesizer, the wave output and the CD audio line.
//
// AfxCreateSound (public/engine.h) creates the engine's one device and its
// wave buffer (sound/dx_sound_buffer.h).  The mixer behind the device is the
// installed audio backend (platform/audio_device.h); the system volumes are
// the engine's own master volumes (platform/system_volume.h).
#ifndef TESSERA_SOUND_DX_SOUND_H
#define TESSERA_SOUND_DX_SOUND_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <memory>

#include "platform/audio_device.h"
#include "platform/dsound_types.h"

class CDXSound {
 public:
  CDXSound();
  ~CDXSound();
  CDXSound(const CDXSound&) = delete;
  CDXSound& operator=(const CDXSound&) = delete;

  // Opens the default device with the normal cooperative level for
  // `window`: 1 on success, 0 (and both flags 1) on failure.
  int Create(void* window);
  // Fills m_Caps from the device: 1 on success, 0 without a device or when
  // the query fails.
  int GetCaps();
  // Stores `off` as the mute switch of every effect, only while a device
  // is open.
  void SoundOnOff(int off);

  // System volumes, left and right in percent (0..100).  1 when the device
  // has no volume control (nothing changes), else the platform's result
  // code (0 for success).
  int SetMIDIVolume(unsigned char left, unsigned char right);
  int SetDIGIVolume(unsigned char left, unsigned char right);
  int SetCDVolume(unsigned char left, unsigned char right);
  // The stored volume words: left in the low 16 bits, right in the high.
  unsigned long GetMIDIVolume();
  unsigned long GetDIGIVolume();
  unsigned long GetCDVolume();

  int32_t m_bNoDevice;  // 1 while no usable device is open
  int32_t m_bSoundOff;  // non-zero: DxSoundBuffer::Play does nothing and succeeds
  std::unique_ptr<tessera::AudioDevice> m_pDirectSound;
  DSCAPS m_Caps;
};

#pragma GCC visibility pop
#endif
