// The SDL2 audio backend: real sound for the wave mixer and the MIDI
// sequencer.
//
//   tessera::sdl::UseSdlAudio();        // before AfxCreateSound / AfxCreateMusic
//   ...
//   tessera::sdl::CloseSdlAudio();      // before SDL_Quit
//
// One SDL output stream (44.1 kHz, stereo, 16-bit) carries everything: the
// audio thread mixes every sound buffer with platform/mixer.h under the system
// wave volume and adds the music, rendered by FluidSynth (sound/
// midi_renderer.h) under the system MIDI volume.  The end of a piece is
// flagged on the audio thread and posted to the game's window by
// tessera::PollMciNotifications, which tessera::sdl::PumpEvents calls.
#ifndef TESSERA_PLATFORM_SDL_SDL_AUDIO_H
#define TESSERA_PLATFORM_SDL_SDL_AUDIO_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

namespace tessera::sdl {

// Opens the output and installs the SDL wave mixer and the FluidSynth
// sequencer.  False (with SDL's reason on stderr) when no audio output can
// be opened; the headless services then stay installed.
bool UseSdlAudio();

// Reinstalls the headless services and closes the output.  Sound buffers
// and music devices made through SDL must be gone (AfxFreeEngine, "close
// all") before it is called.
void CloseSdlAudio();

// The rate of the open output, 0 when none is open.
uint32_t SdlAudioRate();

}  // namespace tessera::sdl

#pragma GCC visibility pop
#endif
