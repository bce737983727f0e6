#include "platform/midi_renderer.h"

#include <fluidsynth.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <mutex>

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
  for (const char* path :
       {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
    if (Exists(path)) return path;
  return "";
}

std::unique_ptr<MidiRenderer> MidiRenderer::Create(const std::vector<uint8_t>& midi, uint32_t rate,
                                                   std::string* error) {
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
  if (playing_ && !from_start) return true;
  // A stopped player goes on from its tick when played again; a piece
  // that has played to its end, or a play from the start, gets a fresh
  // player.
  if (from_start || finished_) {
    fluid_synth_all_notes_off(synth_, -1);
    if (!NewPlayer()) return false;
  }
  if (fluid_player_play(player_) != FLUID_OK) return false;
  playing_ = true;
  ended_ = false;
  finished_ = false;
  return true;
}

void MidiRenderer::Stop() {
  if (!playing_) return;
  fluid_player_stop(player_);
  fluid_synth_all_notes_off(synth_, -1);
  playing_ = false;
}

void MidiRenderer::Render(int16_t* out, size_t frames) {
  // Rendered as floats and converted here without dither, so that silence
  // is exact zeros and a rendering can be repeated bit for bit.
  float buf[2 * 256];
  while (frames) {
    const size_t n = frames < 256 ? frames : 256;
    fluid_synth_write_float(synth_, int(n), buf, 0, 2, buf, 1, 2);
    for (size_t i = 0; i < 2 * n; ++i) {
      const float v = buf[i] * 32768.0f;
      out[i] = int16_t(v >= 32767.0f ? 32767 : v <= -32768.0f ? -32768 : std::lrint(v));
    }
    out += 2 * n;
    frames -= n;
  }
  if (playing_ && fluid_player_get_status(player_) == FLUID_PLAYER_DONE) {
    // Checked after rendering: a player that was just told to play again
    // still reports "done" until it has rendered.
    playing_ = false;
    finished_ = true;
    ended_ = true;
  }
}

bool MidiRenderer::TakeEnded() {
  const bool e = ended_;
  ended_ = false;
  return e;
}

}  // namespace tessera
