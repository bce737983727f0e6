// The headless wave mixer: a device with no output that logs every call
// and can fail any call on request.  It is the default audio backend, so
// tests run without a sound card.
//
// Buffers are real SoftwareBuffers (their samples, format, volume, pan,
// loop flag and position are kept).  While the test-support library
// listens (testing/headless_controls.h), they are numbered #1, #2, ... in
// creation order since its last reset, and it logs one line per call:
//
//   DirectSoundCreate
//   SetCooperativeLevel 1
//   GetCaps
//   CreateSoundBuffer #1 bytes=8 flags=0x000100E2 tag=1 channels=2 rate=22050 avg=88200 align=4
//   bits=16 #1 Lock 0 0 0x2          #1 Unlock          #1 GetStatus #1 SetPan -300           #1
//   SetVolume -200  #1 SetFrequency 0 #1 Play 0x1              #1 Stop            #1
//   SetCurrentPosition 0 #1 Release               Release
//
// A call that fails is logged like any other, with " -> 0x%08X" appended.
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_AUDIO_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_AUDIO_H
#pragma GCC visibility push(default)  // reached by tessera_sdl

#include <memory>

#include "platform/audio_device.h"

namespace tessera {

HRESULT CreateHeadlessAudioDevice(std::unique_ptr<AudioDevice>* device);

}  // namespace tessera

#pragma GCC visibility pop
#endif
