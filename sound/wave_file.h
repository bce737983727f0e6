// Wave files: the chunk reader the sound effects load with, and a writer
// for the canonical layout.
//
// A wave file is a RIFF file of form "WAVE": "RIFF", a 32-bit length L, "WAVE",
// then chunks (4-byte identifier, 32-bit little-endian length n, n bytes of
// body padded to an even length).  The reader looks for the "fmt " and the
// "data" chunk; the writer produces the canonical 44-byte header (RIFF
// header, a 16-byte "fmt " chunk, the "data" chunk header) followed by the
// samples, which is the layout the sound effects rely on.
#ifndef TESSERA_SOUND_WAVE_FILE_H
#define TESSERA_SOUND_WAVE_FILE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dsound_types.h"

namespace tessera {

struct WaveChunks {
  const uint8_t* format = nullptr;  // body of the first "fmt " chunk
  uint32_t format_bytes = 0;        // its length n
  const uint8_t* data = nullptr;    // body of the last "data" chunk seen
  uint32_t length = 0;              // its length n (may run past the image)
};

// Walks the chunks of `image` (`size` bytes) from byte 12:
//   - "fmt ": the first one becomes the format (fails if n < 14 or if its
//     first 14 bytes are not inside the image); when data with a non-zero
//     length is known already, the walk succeeds;
//   - "data": becomes the data (a later one replaces an earlier one); when a
//     format is known already, the walk succeeds;
//   - anything else is skipped.
// It fails when the image is not "RIFF"...."WAVE", when L <= 4, when the
// next chunk would start at or beyond byte 8 + L before both were found, or
// when a chunk header lies outside the image.  Never reads outside it.
bool FindWaveChunks(const uint8_t* image, size_t size, WaveChunks* out);

// The format fields of the "fmt " body found by FindWaveChunks: the first
// min(n, 18) bytes that lie inside the image, the rest zero.
WAVEFORMATEX ReadWaveFormat(const WaveChunks& chunks, const uint8_t* image, size_t size);

// A canonical wave file holding `bytes` bytes of PCM samples.
std::string MakeWaveFile(uint16_t channels, uint32_t rate, uint16_t bits, const void* samples,
                         size_t bytes);
// Writes MakeWaveFile's bytes to an engine path; false when it cannot.
bool WriteWaveFile(std::string_view path, uint16_t channels, uint32_t rate, uint16_t bits,
                   const void* samples, size_t bytes);

// A short click for GUI sounds: 16-bit mono at `rate`, about 30 ms of a
// decaying 2 kHz tone.
std::string MakeClickWave(uint32_t rate = 22050);

}  // namespace tessera

#pragma GCC visibility pop
#endif
