// The structure check the sequencer (platform/mci.h) opens standard MIDI
// files with.  It lives with the sequencer so that the platform layer needs
// nothing above it; sound/midi_file.h brings it along with the writer.
#ifndef TESSERA_PLATFORM_MIDI_FILE_CHECK_H
#define TESSERA_PLATFORM_MIDI_FILE_CHECK_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>

namespace tessera {

// True when `bytes` is a well-formed standard MIDI file: an "MThd" chunk of
// at least 6 bytes (format 0, 1 or 2, at least one track, a non-zero time
// division), then as many "MTrk" chunks as it announces (other chunks are
// skipped), each inside the file and made of complete events: variable-
// length deltas of at most 4 bytes, channel messages with data bytes below
// 0x80 (running status allowed after a channel message), system-exclusive
// and meta events whose lengths stay inside the chunk.  Reads nothing
// outside the buffer.
bool CheckMidiFile(const uint8_t* bytes, size_t size);

}  // namespace tessera

#pragma GCC visibility pop
#endif
