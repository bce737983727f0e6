// A MIDI file rendered to 16-bit stereo samples by FluidSynth with a
// General MIDI sound font.
//
// The renderer owns a synthesizer and a player for one file.  The player is
// driven by the samples rendered (not by a wall clock), so rendering
// offline and rendering from an audio callback give the same output.
//
//   std::string error;
//   auto midi = tessera::MidiRenderer::Create(bytes, 44100, &error);
//   midi->Play(true);
//   midi->Render(frames, 1024);   // interleaved left, right
//
// Not thread-safe: a caller that renders on an audio thread locks around
// every call.
#ifndef TESSERA_PLATFORM_MIDI_RENDERER_H
#define TESSERA_PLATFORM_MIDI_RENDERER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace tessera {

// The General MIDI sound font: $TESSERA_SOUNDFONT when set, else Debian's
// TimGM6mb (package timgm6mb-soundfont), else the system's default-GM.sf2.
// Empty when none exists.
std::string FindSoundFont();

class MidiRenderer {
 public:
  // Null with *error set when the sound font or the file cannot be loaded.
  static std::unique_ptr<MidiRenderer> Create(const std::vector<uint8_t>& midi, uint32_t rate,
                                              std::string* error);
  ~MidiRenderer();
  MidiRenderer(const MidiRenderer&) = delete;
  MidiRenderer& operator=(const MidiRenderer&) = delete;

  // Starts from the beginning, or goes on from where Stop left it (a piece
  // that has played to its end starts over).
  bool Play(bool from_start);
  // Stops where it is; sounding notes are released.
  void Stop();
  bool playing() const { return playing_; }
  // Fills `frames` stereo frames; the synthesizer's release tails keep
  // sounding after a stop.  Notices the end of the piece.
  void Render(int16_t* out, size_t frames);
  // True once after the piece has played to its end.
  bool TakeEnded();

 private:
  MidiRenderer() = default;
  bool NewPlayer();

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  std::vector<uint8_t> midi_;
  bool finished_ = false;  // played to its end
  bool playing_ = false;
  bool ended_ = false;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
