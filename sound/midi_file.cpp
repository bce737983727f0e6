#include "sound/midi_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/path.h"

namespace tessera {

namespace {

void Put32(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += char((v >> shift) & 0xFF);
}
void Put16(std::string& s, uint32_t v) {
  s += char((v >> 8) & 0xFF);
  s += char(v & 0xFF);
}
void PutVarLen(std::string& s, uint32_t v) {
  char tmp[5];
  int n = 0;
  tmp[n++] = char(v & 0x7F);
  while (v >>= 7) tmp[n++] = char((v & 0x7F) | 0x80);
  while (n) s += tmp[--n];
}

}  // namespace

std::string MakeMidiFile(const std::vector<MidiNote>& notes, uint16_t ticks_per_quarter,
                         uint32_t tempo, uint8_t program) {
  struct Event {
    uint32_t tick;
    int order;  // note-offs before note-ons at the same tick
    uint8_t bytes[3];
  };
  std::vector<Event> events;
  bool channel_used[16] = {};
  for (const MidiNote& n : notes) {
    const uint8_t ch = n.channel & 0x0F;
    channel_used[ch] = true;
    events.push_back(
        {n.start, 1, {uint8_t(0x90 | ch), uint8_t(n.key & 0x7F), uint8_t(n.velocity & 0x7F)}});
    events.push_back({n.start + n.length, 0, {uint8_t(0x80 | ch), uint8_t(n.key & 0x7F), 0}});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });

  std::string track;
  PutVarLen(track, 0);
  track += "\xFF\x51\x03";
  track += char((tempo >> 16) & 0xFF);
  track += char((tempo >> 8) & 0xFF);
  track += char(tempo & 0xFF);
  for (int ch = 0; ch < 16; ++ch) {
    if (!channel_used[ch]) continue;
    PutVarLen(track, 0);
    track += char(0xC0 | ch);
    track += char(program & 0x7F);
  }
  uint32_t now = 0;
  for (const Event& e : events) {
    PutVarLen(track, e.tick - now);
    now = e.tick;
    track.append(reinterpret_cast<const char*>(e.bytes), 3);
  }
  PutVarLen(track, 0);
  track += std::string("\xFF\x2F\x00", 3);

  std::string file = "MThd";
  Put32(file, 6);
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, ticks_per_quarter);
  file += "MTrk";
  Put32(file, uint32_t(track.size()));
  file += track;
  return file;
}

bool WriteMidiFile(std::string_view path, const std::vector<MidiNote>& notes,
                   uint16_t ticks_per_quarter, uint32_t tempo, uint8_t program) {
  const std::string bytes = MakeMidiFile(notes, ticks_per_quarter, tempo, program);
  std::FILE* f = OpenFile(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<MidiNote> ShortTune() {
  // C major arpeggio up and a closing chord, at 120 beats per minute.
  const uint8_t keys[] = {60, 64, 67, 72, 67, 64};
  std::vector<MidiNote> notes;
  uint32_t t = 0;
  for (uint8_t k : keys) {
    notes.push_back({t, 220, k, 100, 0});
    t += 240;
  }
  for (uint8_t k : {60, 64, 67}) notes.push_back({t, 480, k, 90, 0});
  return notes;
}

}  // namespace tessera
