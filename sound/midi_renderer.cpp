#include "sound/midi_renderer.h"

#include <fluidsynth.h>

#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

namespace tessera {

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// FluidSynth talks about every sound font preset it cannot map; only its
// errors are worth a line on stderr.
void QuietFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  });
}

}  // namespace

std::string FindSoundFont() {
  if (const char* env = std::getenv("TESSERA_SOUNDFONT"))
    if (Exists(env)) return env;
  for (const char* path : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                           "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
    if (Exists(path)) return path;
  return "";
}

std::unique_ptr<MidiRenderer> MidiRenderer::Create(const std::vector<uint8_t>& midi,
                                                   uint32_t rate, std::string* error) {
  QuietFluidLog();
  std::unique_ptr<MidiRenderer> r(new MidiRenderer());
  r->midi_ = midi;
  const std::string font = FindSoundFont();
  if (font.empty()) {
    *error = "no General MIDI sound font (install timgm6mb-soundfont or set TESSERA_SOUNDFONT)";
    return nullptr;
  }
  r->settings_ = new_fluid_settings();
  if (!r->settings_) {
    *error = "cannot create synthesizer settings";
    return nullptr;
  }
  fluid_settings_setnum(r->settings_, "synth.sample-rate", double(rate));
  // The player advances with the samples rendered, not with the wall clock.
  fluid_settings_setstr(r->settings_, "player.timing-source", "sample");
  fluid_settings_setint(r->settings_, "synth.lock-memory", 0);
  r->synth_ = new_fluid_synth(r->settings_);
  if (!r->synth_) {
    *error = "cannot create the synthesizer";
    return nullptr;
  }
  if (fluid_synth_sfload(r->synth_, font.c_str(), 1) == FLUID_FAILED) {
    *error = "cannot load the sound font " + font;
    return nullptr;
  }
  if (!r->NewPlayer()) {
    *error = "the synthesizer cannot read the MIDI file";
    return nullptr;
  }
  return r;
}

MidiRenderer::~MidiRenderer() {
  if (player_) delete_fluid_player(player_);
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

bool MidiRenderer::NewPlayer() {
  if (player_) delete_fluid_player(player_);
  player_ = new_fluid_player(synth_);
  return player_ && fluid_player_add_mem(player_, midi_.data(), midi_.size()) == FLUID_OK;
}

bool MidiRenderer::Play(bool from_start) {
  // A fresh player starts at the beginning; it is also the way to play a
  // piece again once the old player has finished it.
  if (from_start || !player_ || fluid_player_get_status(player_) == FLUID_PLAYER_DONE) {
    fluid_synth_all_notes_off(synth_, -1);
    if (!NewPlayer()) return false;
  }
  if (fluid_player_play(player_) != FLUID_OK) return false;
  playing_ = true;
  ended_ = false;
  return true;
}

void MidiRenderer::Stop() {
  if (!playing_) return;
  fluid_player_stop(player_);
  fluid_synth_all_notes_off(synth_, -1);
  playing_ = false;
}

void MidiRenderer::Render(int16_t* out, size_t frames) {
  fluid_synth_write_s16(synth_, int(frames), out, 0, 2, out, 1, 2);
  if (playing_ && fluid_player_get_status(player_) == FLUID_PLAYER_DONE) {
    playing_ = false;
    ended_ = true;
  }
}

bool MidiRenderer::TakeEnded() {
  const bool e = ended_;
  ended_ = false;
  return e;
}

}  // namespace tessera
