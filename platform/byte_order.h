// Fixed-width integers in byte buffers, in the two orders the engine's file
// formats use: little-endian (BMP, WAVE, GIF, DBF, IDX) and big-endian (PSD,
// MIDI).  The plain loads read exactly 2 or 4 bytes at `p` and leave the
// bounds to the caller, who has usually checked a whole header at once;
// ByteView checks each read itself, for walks over chunks and records whose
// lengths come from the file.
#ifndef TESSERA_PLATFORM_BYTE_ORDER_H
#define TESSERA_PLATFORM_BYTE_ORDER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessera {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Appends v as 2 or 4 little-endian bytes (the writers of BMP and WAVE).
inline void PutLe16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void PutLe32(std::string& s, uint32_t v) {
  PutLe16(s, v & 0xFFFF);
  PutLe16(s, v >> 16);
}

// A read-only window on `size` bytes.  Has() says whether n bytes at
// `offset` are all inside (without overflow however large the numbers
// read from a file are); the loads answer false and leave *out alone when
// they are not.
class ByteView {
 public:
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  size_t size() const { return size_; }
  bool Has(size_t offset, size_t n) const { return offset <= size_ && n <= size_ - offset; }
  bool Le16(size_t offset, uint16_t* out) const {
    if (!Has(offset, 2)) return false;
    *out = tessera::Le16(data_ + offset);
    return true;
  }
  bool Le32(size_t offset, uint32_t* out) const {
    if (!Has(offset, 4)) return false;
    *out = tessera::Le32(data_ + offset);
    return true;
  }
  const uint8_t* At(size_t offset) const { return data_ + offset; }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace tessera

#endif
