// MIDI files: the structure check the sequencer opens them with.
#include <cstdint>

#include "sound/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessera::CheckMidiFile(data, size);
  return 0;
}
