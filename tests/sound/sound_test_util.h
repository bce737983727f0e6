// Helpers the sound suites share: wave files built byte by byte.
#ifndef TESSERA_TESTS_SOUND_SOUND_TEST_UTIL_H
#define TESSERA_TESTS_SOUND_SOUND_TEST_UTIL_H

#include <cstdint>
#include <string>

namespace tessera::test {

inline std::string Le16(uint32_t v) { return {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
inline std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A chunk: identifier, length, body and the pad byte of an odd body.
inline std::string Chunk(const std::string& id, const std::string& body) {
  std::string c = id + Le32(uint32_t(body.size())) + body;
  if (body.size() & 1) c += '\0';
  return c;
}

// A 16-byte "fmt " body.
inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint32_t align = channels * (bits / 8);
  return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

// "RIFF", the length of what follows, "WAVE" and the chunks.
inline std::string Riff(const std::string& chunks) {
  return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}

}  // namespace tessera::test

#endif
