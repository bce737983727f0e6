// Data-block layouts of the run-length kinds, shared by the surfaces that
// build them and the blits that read them (the plain surface's mask blit).
//
// A run list is a sequence of 16-bit header words: bits 8-15 the gap of
// transparent pixels before the run, bits 0-7 the count of opaque pixels;
// the word 0 ends the row.  In an RLESURFACE the count pixels follow their
// header; in an RLEMASKSURFACE only the headers are stored.
//
//   RLESURFACE block:      int32 width, int32 height, height row pointers
//                          (offset 8), then the rows' run lists.
//   RLEMASKSURFACE block:  int32 width, int32 height, a pointer to the first
//                          header word (offset 8), then the headers of all
//                          rows one after another.
#ifndef TESSERA_ENGINE_RLE_LAYOUT_H
#define TESSERA_ENGINE_RLE_LAYOUT_H

#include <cstddef>
#include <cstdint>

namespace tessera {

struct RleBlockHeader {
  int32_t width;
  int32_t height;
};

constexpr size_t kRleTableOffset = 8;

inline uint16_t** RleRowTable(void* block) {
  return reinterpret_cast<uint16_t**>(static_cast<char*>(block) + kRleTableOffset);
}
// An RLESURFACE block's bytes before its run lists (header and row table),
// and where the lists begin.
inline size_t RleHeadBytes(int height) {
  return kRleTableOffset + sizeof(uint16_t*) * static_cast<size_t>(height);
}
inline uint16_t* RleWords(void* block, int height) {
  return reinterpret_cast<uint16_t*>(static_cast<char*>(block) + RleHeadBytes(height));
}
inline uint16_t*& RleMaskStream(void* block) {
  return *reinterpret_cast<uint16_t**>(static_cast<char*>(block) + kRleTableOffset);
}

inline int RunGap(uint16_t header) { return header >> 8; }
inline int RunCount(uint16_t header) { return header & 0xFF; }

// The words of the run list at `list`, its terminator included.
inline size_t RunListWords(const uint16_t* list) {
  const uint16_t* p = list;
  while (*p != 0) p += 1 + RunCount(*p);
  return static_cast<size_t>(p - list) + 1;
}

}  // namespace tessera

#endif
