// Writing 1-5-5-5 pixels as a PNG file (libpng), for screenshots and the
// headless presenter's frames.
#ifndef TESSERA_PLATFORM_PNG_WRITER_H
#define TESSERA_PLATFORM_PNG_WRITER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <string>

namespace tessera {

// Writes width x height pixels, rows `pitch_bytes` apart, as an 8-bit RGB
// PNG.  Each 5-bit channel c becomes (c << 3) | (c >> 2), so 31 is 255;
// bit 15 is ignored.  Returns false (and leaves no partial file) on error.
bool WritePng555(const std::string& path, const uint16_t* pixels, int width, int height,
                 int pitch_bytes);

// The same for 5-6-5 pixels (a full-screen display's layout): green's six
// bits become (g << 2) | (g >> 4).
bool WritePng565(const std::string& path, const uint16_t* pixels, int width, int height,
                 int pitch_bytes);

}  // namespace tessera

#pragma GCC visibility pop
#endif
