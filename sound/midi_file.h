// Standard MIDI files: a small writer, and (from platform/midi_file_check.h)
// the structure check the sequencer opens them with.
#ifndef TESSERA_SOUND_MIDI_FILE_H
#define TESSERA_SOUND_MIDI_FILE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/midi_file_check.h"

namespace tessera {

struct MidiNote {
  uint32_t start;   // in ticks
  uint32_t length;  // in ticks
  uint8_t key;      // 0..127, 60 = middle C
  uint8_t velocity = 100;
  uint8_t channel = 0;
};

// A format-0 file with one track: the tempo (microseconds per quarter
// note), a program change on every channel used, the notes, end of track.
std::string MakeMidiFile(const std::vector<MidiNote>& notes, uint16_t ticks_per_quarter = 480,
                         uint32_t tempo = 500000, uint8_t program = 0);
bool WriteMidiFile(std::string_view path, const std::vector<MidiNote>& notes,
                   uint16_t ticks_per_quarter = 480, uint32_t tempo = 500000, uint8_t program = 0);

// A short tune (two bars, about 2 seconds, piano) for demos and tests.
std::vector<MidiNote> ShortTune();

}  // namespace tessera

#pragma GCC visibility pop
#endif
