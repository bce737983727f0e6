#include "platform/midi_file_check.h"

#include <cstring>

#include "platform/byte_order.h"

namespace tessera {

namespace {

// Reads a variable-length number of at most 4 bytes at *pos (< end).
bool VarLen(const uint8_t* b, size_t end, size_t* pos, uint32_t* value) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    if (*pos >= end) return false;
    const uint8_t c = b[(*pos)++];
    v = (v << 7) | (c & 0x7F);
    if (!(c & 0x80)) {
      *value = v;
      return true;
    }
  }
  return false;
}

bool CheckTrack(const uint8_t* b, size_t pos, size_t end) {
  uint8_t running = 0;
  while (pos < end) {
    uint32_t delta;
    if (!VarLen(b, end, &pos, &delta)) return false;
    if (pos >= end) return false;
    uint8_t status = b[pos];
    if (status & 0x80) {
      ++pos;
    } else {
      if (!running) return false;  // data byte without a status to run on
      status = running;
    }
    if (status == 0xFF) {
      if (pos >= end) return false;
      const uint8_t type = b[pos++];
      uint32_t len;
      if (!VarLen(b, end, &pos, &len) || len > end - pos) return false;
      pos += len;
      running = 0;
      if (type == 0x2F) return true;  // end of track
    } else if (status == 0xF0 || status == 0xF7) {
      uint32_t len;
      if (!VarLen(b, end, &pos, &len) || len > end - pos) return false;
      pos += len;
      running = 0;
    } else if (status >= 0xF0) {
      return false;  // system common and real-time messages do not belong in files
    } else {
      const int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
      if (size_t(count) > end - pos) return false;
      for (int i = 0; i < count; ++i)
        if (b[pos + size_t(i)] & 0x80) return false;
      pos += size_t(count);
      running = status;
    }
  }
  return true;  // a track may end without its end-of-track event
}

}  // namespace

bool CheckMidiFile(const uint8_t* b, size_t size) {
  if (!b || size < 14 || std::memcmp(b, "MThd", 4) != 0) return false;
  const uint32_t header = Be32(b + 4);
  if (header < 6 || header > size - 8) return false;
  const uint16_t format = Be16(b + 8), tracks = Be16(b + 10), division = Be16(b + 12);
  if (format > 2 || tracks == 0 || division == 0) return false;
  size_t pos = 8 + size_t(header);
  int found = 0;
  while (found < tracks) {
    if (size - pos < 8) return false;
    const uint32_t len = Be32(b + pos + 4);
    if (len > size - pos - 8) return false;
    if (std::memcmp(b + pos, "MTrk", 4) == 0) {
      if (!CheckTrack(b, pos + 8, pos + 8 + len)) return false;
      ++found;
    }
    pos += 8 + size_t(len);
  }
  return true;
}

}  // namespace tessera
