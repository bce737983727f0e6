// Writes a 16-bit frame as an 8-bit RGB PNG file (libpng).
#ifndef TESSERA_PLATFORM_PNG_WRITER_H
#define TESSERA_PLATFORM_PNG_WRITER_H

#include <cstdint>
#include <string>

namespace tessera {

// `pixels` holds h rows of w pixels, `pitch` bytes apart, in the layout
// 1-5-5-5 (bit 15 ignored) or, with rgb565, 5-6-5.  Channels are widened by
// repeating their top bits (31 -> 255).  The path is native.  False when the
// file cannot be written.
bool WritePng16(const std::string& path, const uint16_t* pixels, int w, int h, int pitch,
                bool rgb565);

}  // namespace tessera

#endif
