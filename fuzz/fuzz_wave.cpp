// Wave files: the chunk walk and the format read, then the whole load
// through the sound cache on the headless mixer.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/wave_file.h"
#include "testing/headless_controls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessera::WaveChunks chunks;
  if (tessera::FindWaveChunks(data, size, &chunks)) {
    const WAVEFORMATEX f = tessera::ReadWaveFormat(chunks, data, size);
    volatile uint32_t sink = f.nChannels + f.nSamplesPerSec + f.wBitsPerSample;
    (void)sink;
    // Large announced data lengths make the mixer allocate that much; the
    // full load is exercised for the sizes a game's effects have.
    if (chunks.length > (1u << 20)) return 0;
  }

  static const std::string path = "/tmp/fuzz_wave_" + std::to_string(getpid()) + ".wav";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  {
    CDXSound sound;
    sound.Create(nullptr);
    DxSoundBuffer buffer;
    buffer.Initialize(&sound);
    if (buffer.Load(path.c_str())) buffer.Play(0, 0, 0);
  }
  tessera::ResetHeadlessAudio();
  std::remove(path.c_str());
  return 0;
}
