// A cache of sound effects loaded from wave files.
//
// Each distinct file name is read once into a mixer buffer; later loads of
// the same name (compared exactly, letter case included) find it again.
// Load makes a sound current, Play plays the current sound once or looping
// with a pan and a volume, Stop stops and rewinds every cached sound.
//
//   DxSoundBuffer* sounds = AfxGetSoundBuffer();
//   if (sounds->Load("sound\\click.wav")) sounds->Play(0, 0, 0);
//
// Copies share the entries of the original (only one of them may be
// destroyed).  The device must outlive every buffer that uses it.
#ifndef TESSERA_SOUND_DX_SOUND_BUFFER_H
#define TESSERA_SOUND_DX_SOUND_BUFFER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdio>
#include <vector>

#include "platform/audio_device.h"
#include "platform/dsound_types.h"

class CDXSound;

namespace tessera {
// One cached sound: its mixer buffer (null until created) and the file
// name it was loaded under.
struct SoundEntry {
  AudioBuffer* pBuffer = nullptr;  // owned by the entry's DxSoundBuffer
  char szName[260] = {};
};
}  // namespace tessera

class DxSoundBuffer {
 public:
  DxSoundBuffer();
  ~DxSoundBuffer();
  DxSoundBuffer(const DxSoundBuffer&) = default;
  DxSoundBuffer& operator=(const DxSoundBuffer&) = default;

  void Initialize(CDXSound* sound);
  // Makes the sound of `file` current, reading the file only if the name is
  // not cached: 1 on success.  On failure nothing is cached for the name
  // and there is no current sound.  A name of 260 bytes or more cannot be
  // kept in an entry and fails.
  int Load(const char* file);
  // Plays the current sound from its position: sets pan, volume and the
  // file's own frequency, then plays with `flags` (DSBPLAY_LOOPING loops).
  // 1 on success, also when the effects are switched off.
  int Play(unsigned long flags, int pan, int volume);
  // Stops every cached sound and rewinds it: 1 on success, 0 without a
  // device or with an empty cache.
  int Stop();
  void SetVolume(long volume);
  void SetPan(long pan);

  int32_t m_nCurrent;
  CDXSound* m_pSound;
  std::vector<tessera::SoundEntry*> m_Sounds;

 private:
  bool GetBuffer(const char* file);
  int LoadFromFile(const char* file);
  int GetWaveData(void* image, size_t size, WAVEFORMATEX*& format, void*& data,
                  unsigned long& length);
  int CreateSoundBuffer(unsigned long bytes, unsigned long samplesPerSecond,
                        unsigned long bitsPerSample, unsigned long blockAlign, int stereo);
  int ReadData(std::FILE* file, unsigned long offset);
  void RemoveEntry(size_t index);
};

#pragma GCC visibility pop
#endif
