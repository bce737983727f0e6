// Host service: the system volumes of the MIDI synthesizer, the wave output
// and the auxiliary (CD audio) line.
//
// They are the engine's own master volumes: they never touch the machine's
// mixer.  The wave volume scales everything the audio backend mixes, the
// MIDI volume scales the music synthesizer's output; the auxiliary volume is
// only kept (there is no CD line).  A volume word holds the left channel in
// its low 16 bits and the right channel in its high 16 bits, 0xFFFF being
// full volume; all start at 0xFFFFFFFF.  Each device reports its support
// flags as Windows' volume capability queries do, and tests
// can take the volume control away or make a call fail.
#ifndef TESSERA_PLATFORM_SYSTEM_VOLUME_H
#define TESSERA_PLATFORM_SYSTEM_VOLUME_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <atomic>
#include <cstdint>

#include "public/windows_types.h"

typedef UINT MMRESULT;
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTSUPPORTED 8

// Support flags of the capability records.
#define MIDICAPS_VOLUME 0x0001
#define MIDICAPS_LRVOLUME 0x0002
#define WAVECAPS_VOLUME 0x0004
#define WAVECAPS_LRVOLUME 0x0008
#define AUXCAPS_VOLUME 0x0001
#define AUXCAPS_LRVOLUME 0x0002

namespace tessera {

enum class VolumeDevice { kMidi = 0, kWave = 1, kAux = 2 };

class SystemVolumeStore {
 public:
  SystemVolumeStore() { Reset(); }

  // The support flags of device 0 of the kind (its capability query);
  // MMSYSERR_NOERROR, or the failure a test asked for.
  MMRESULT GetSupport(VolumeDevice device, DWORD* support);
  MMRESULT Set(VolumeDevice device, DWORD word);
  // The stored word.
  DWORD Get(VolumeDevice device) const { return words_[int(device)].load(); }

  // Tests: the support flags a device reports, and a failure for its next
  // capability query or Set.
  void SetSupport(VolumeDevice device, DWORD support) { support_[int(device)] = support; }
  void FailNextCall(VolumeDevice device, MMRESULT code) { fail_[int(device)] = code; }
  // Full volume, volume control on, no failures pending.
  void Reset();

 private:
  std::atomic<DWORD> words_[3];
  DWORD support_[3];
  MMRESULT fail_[3];
};

SystemVolumeStore& SystemVolumes();

}  // namespace tessera

#pragma GCC visibility pop
#endif
