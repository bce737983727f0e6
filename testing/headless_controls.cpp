#include "testing/headless_controls.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "platform/headless/headless_midi.h"
#include "platform/mixer.h"
#include "platform/system_volume.h"
#include "platform/test_hooks.h"
#include "platform/test_probes.h"

namespace tessera {

namespace {

struct Records {
  std::vector<MessageRecord> boxes;
  std::map<HWND, std::vector<WindowMessage>> received;
  std::vector<std::string> audio_log;
  std::map<std::string, std::pair<HRESULT, int>> audio_failures;
  std::map<int, SoftwareBuffer*> audio_buffers;
  int next_buffer = 1;
  std::vector<HeadlessMidiPlayer*> midi_players;  // in opening order
  MCIERROR midi_open_failure = 0;
  MCIERROR midi_play_failure = 0;
};

// Never destroyed: windows and buffers that outlive main still report to
// it.
Records& R() {
  static Records* records = new Records;
  return *records;
}

std::string Outcome(HRESULT code) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " -> 0x%08X", static_cast<unsigned>(code));
  return buf;
}

HRESULT AudioCall(const char* call, const std::string& line) {
  HRESULT code = DS_OK;
  auto it = call ? R().audio_failures.find(call) : R().audio_failures.end();
  if (it != R().audio_failures.end()) {
    code = it->second.first;
    if (--it->second.second <= 0) R().audio_failures.erase(it);
  }
  R().audio_log.push_back(code == DS_OK ? line : line + Outcome(code));
  return code;
}

void AudioRefused(HRESULT code) {
  if (!R().audio_log.empty()) R().audio_log.back() += Outcome(code);
}

void AudioBufferSeen(int number, SoftwareBuffer* buffer) {
  if (buffer) {
    R().audio_buffers[number] = buffer;
    R().next_buffer = number + 1;
  } else {
    R().audio_buffers.erase(number);
  }
}

void MidiPlayerSeen(HeadlessMidiPlayer* player, bool open) {
  auto& live = R().midi_players;
  if (open)
    live.push_back(player);
  else
    live.erase(std::remove(live.begin(), live.end(), player), live.end());
}

MCIERROR TakeFailure(MCIERROR& failure) { return std::exchange(failure, 0); }

// Before main, so that nothing the process does goes unrecorded.
const bool g_installed = (InstallHeadlessControls(), true);

}  // namespace

void InstallHeadlessControls() {
  (void)g_installed;
  TestProbes& p = Probes();
  p.window_message = [](HWND w, const WindowMessage& m) { R().received[w].push_back(m); };
  p.window_destroyed = [](HWND w) { R().received.erase(w); };
  p.message_box = [](std::string_view caption, std::string_view text, MessageIcon icon) {
    R().boxes.push_back({std::string(caption), std::string(text), icon});
  };
  p.audio_call = AudioCall;
  p.audio_refused = AudioRefused;
  p.audio_next_number = [] { return R().next_buffer; };
  p.audio_buffer = AudioBufferSeen;
  p.midi_player = MidiPlayerSeen;
  p.midi_open = [] { return TakeFailure(R().midi_open_failure); };
  p.midi_play = [] { return TakeFailure(R().midi_play_failure); };
}

const std::vector<MessageRecord>& HeadlessMessages() { return R().boxes; }
void ClearHeadlessMessages() { R().boxes.clear(); }

std::vector<WindowMessage>& ReceivedMessages(HWND window) { return R().received[window]; }

const std::vector<std::string>& HeadlessAudioLog() { return R().audio_log; }
void ClearHeadlessAudioLog() { R().audio_log.clear(); }

void FailHeadlessAudioCall(const std::string& call, HRESULT code, int times) {
  R().audio_failures[call] = {code, times};
}

void ResetHeadlessAudio() {
  R().audio_log.clear();
  R().audio_failures.clear();
  R().next_buffer = 1;
}

SoftwareBuffer* HeadlessAudioBuffer(int number) {
  auto it = R().audio_buffers.find(number);
  return it == R().audio_buffers.end() ? nullptr : it->second;
}

void MixHeadlessAudio(int16_t* out, size_t frames, uint32_t rate) {
  std::vector<MixVoice*> voices;
  for (auto& [number, buffer] : R().audio_buffers)
    if (!buffer->lost()) voices.push_back(&buffer->voice());
  const DWORD master = SystemVolumes().Get(VolumeDevice::kWave);
  MixVoices(voices.data(), voices.size(), out, frames, rate, MasterGainQ16(master & 0xFFFF),
            MasterGainQ16(master >> 16));
}

HeadlessMidiState HeadlessMidi() {
  HeadlessMidiState state;
  if (R().midi_players.empty()) return state;
  const HeadlessMidiPlayer* p = R().midi_players.back();
  state.open = true;
  state.playing = p->playing();
  state.position_ms = p->Position();
  state.path = p->path();
  return state;
}

int SimulateEndOfPiece() {
  int ended = 0;
  for (HeadlessMidiPlayer* p : R().midi_players) {
    if (!p->playing()) continue;
    p->End();
    ++ended;
  }
  PollMciNotifications();
  return ended;
}

void FailNextHeadlessMidiOpen(MCIERROR code) { R().midi_open_failure = code; }
void FailNextHeadlessMidiPlay(MCIERROR code) { R().midi_play_failure = code; }

void ResetHeadlessMidi() {
  R().midi_open_failure = 0;
  R().midi_play_failure = 0;
}

void ResetHostServicesForTests() {
  ResetMciForTests();
  SystemVolumes().Reset();
  ResetHeadlessAudio();
  ResetHeadlessMidi();
  ResetLogForTests();
}

}  // namespace tessera
