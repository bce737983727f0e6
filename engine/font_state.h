// The process-wide font state of the display manager: the current font size
// that text drawing uses (12 at start) and one memory buffer per size
// holding a whole font file ("data\hzk12", "data\hzk16", "data\hzk24").
// Nothing reads the buffers; they are loaded and freed on request.
#ifndef TESSERA_ENGINE_FONT_STATE_H
#define TESSERA_ENGINE_FONT_STATE_H

#include <cstddef>

namespace tessera {

// The stored size as set (any int).
int CurrentFontSize();
void SetCurrentFontSize(int size);

// Loads "<folder>data\hzk<size>" whole; 1 when loaded now or before, 0 when
// the file cannot be opened or read; sizes other than 12, 16, 24: 1.
int LoadFontFile(int size, const char* folder);
void FreeFontFile(int size);
// The loaded buffer of a size and its length (null, 0 when not loaded).
const unsigned char* FontFileData(int size, size_t* length);

}  // namespace tessera

#endif
