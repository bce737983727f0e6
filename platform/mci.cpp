#include "platform/mci.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "platform/headless/headless_midi.h"
#include "platform/midi_file_check.h"
#include "platform/path.h"
#include "platform/test_hooks.h"
#include "platform/window.h"

namespace tessera {

namespace {

struct Device {
  std::unique_ptr<MidiPlayer> player;
  DWORD id = 0;
  HWND notify = nullptr;  // window of the last play with "notify"
  bool wants_notify = false;
};

struct State {
  std::map<std::string, Device> devices;  // by lower-case alias
  DWORD next_id = 1;
  MidiPlayerFactory factory;
  std::vector<MciCommand> log;
};

State& S() {
  static State state;
  return state;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> words;
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

MCIERROR Open(const std::string& rest) {
  // "<file> type sequencer alias <alias>": the file name may hold spaces,
  // so the keywords are found from the end.
  const std::string lower = Lower(rest);
  const size_t type_at = lower.rfind(" type ");
  if (type_at == std::string::npos) return MCIERR_MISSING_PARAMETER;
  std::string file = Trim(rest.substr(0, type_at));
  if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
    file = file.substr(1, file.size() - 2);
  const std::vector<std::string> tail = Words(lower.substr(type_at + 6));
  if (tail.size() != 3 || tail[1] != "alias") return MCIERR_UNRECOGNIZED_KEYWORD;
  if (tail[0] != "sequencer") return MCIERR_INVALID_DEVICE_NAME;
  if (file.empty()) return MCIERR_MISSING_PARAMETER;
  const std::string& alias = tail[2];
  if (S().devices.count(alias)) return MCIERR_DUPLICATE_ALIAS;

  std::FILE* f = OpenFile(file, "rb");
  if (!f) return MCIERR_FILE_NOT_FOUND;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  const bool read_error = std::ferror(f) != 0;
  std::fclose(f);
  if (read_error || !CheckMidiFile(bytes.data(), bytes.size())) return MCIERR_INVALID_FILE;

  MCIERROR error = MCIERR_HARDWARE;
  std::unique_ptr<MidiPlayer> player =
      S().factory ? S().factory(NativePath(file), bytes, &error)
                  : CreateHeadlessMidiPlayer(NativePath(file), bytes, &error);
  if (!player) return error ? error : MCIERR_HARDWARE;
  Device& d = S().devices[alias];
  d.player = std::move(player);
  d.id = S().next_id++;
  return 0;
}

MCIERROR Execute(const std::string& command, HWND notify) {
  const std::string trimmed = Trim(command);
  if (trimmed.empty()) return MCIERR_MISSING_COMMAND_STRING;
  const size_t space = trimmed.find_first_of(" \t");
  const std::string verb = Lower(trimmed.substr(0, space));
  const std::string rest = space == std::string::npos ? "" : Trim(trimmed.substr(space));
  if (verb == "open") return Open(rest);

  const std::vector<std::string> words = Words(Lower(rest));
  if (verb != "close" && verb != "play" && verb != "stop") return MCIERR_UNRECOGNIZED_COMMAND;
  if (words.empty()) return MCIERR_MISSING_PARAMETER;
  if (verb == "close" && words[0] == "all") {
    if (words.size() != 1) return MCIERR_UNRECOGNIZED_KEYWORD;
    S().devices.clear();
    return 0;
  }
  auto it = S().devices.find(words[0]);
  if (it == S().devices.end()) return MCIERR_INVALID_DEVICE_NAME;
  Device& d = it->second;

  bool from_start = false, wants_notify = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "notify") {
      wants_notify = true;
    } else if (verb == "play" && words[i] == "from" && i + 1 < words.size()) {
      // The sequencer is asked only to start over; other positions are
      // not offered.
      if (words[++i] != "0") return MCIERR_OUTOFRANGE;
      from_start = true;
    } else {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
  }
  if (verb == "close") {
    S().devices.erase(it);
    return 0;
  }
  if (verb == "stop") return d.player->Stop();
  d.player->TakeEnded();  // an end flagged before this play is stale
  const MCIERROR result = d.player->Play(from_start);
  if (result == 0) {
    d.wants_notify = wants_notify;
    d.notify = wants_notify ? notify : nullptr;
  }
  return result;
}

const struct {
  MCIERROR code;
  const char* text;
} kErrorTexts[] = {
    {MCIERR_UNRECOGNIZED_KEYWORD, "The specified command contains an unrecognized keyword."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The specified command is not a recognized command."},
    {MCIERR_HARDWARE,
     "The sequencer could not be started; check the synthesizer and its sound font."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized."},
    {MCIERR_MISSING_COMMAND_STRING, "No command was specified."},
    {MCIERR_FILE_NOT_FOUND, "The specified file cannot be found."},
    {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
    {MCIERR_UNSUPPORTED_FUNCTION, "The device does not support the specified function."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter."},
    {MCIERR_DUPLICATE_ALIAS, "The specified alias is already being used in this application."},
    {MCIERR_INVALID_FILE, "The specified file cannot be played: it is not a valid MIDI file."},
    {MCIERR_SEQ_NOMIDIPRESENT, "There is no MIDI output to play the file with."},
};

}  // namespace

MCIERROR MciSendString(const char* command, HWND notify) {
  const MCIERROR result = command ? Execute(command, notify) : MCIERR_MISSING_COMMAND_STRING;
  auto& log = S().log;
  if (log.size() >= 1000) log.erase(log.begin());
  log.push_back({command ? command : "", notify, result});
  return result;
}

bool MciGetErrorString(MCIERROR code, char* text, unsigned size) {
  if (!text || size == 0) return false;
  text[0] = '\0';
  for (const auto& e : kErrorTexts) {
    if (e.code == code) {
      std::snprintf(text, size, "%s", e.text);
      return true;
    }
  }
  return false;
}

void PollMciNotifications() {
  for (auto& [alias, d] : S().devices) {
    if (!d.player->TakeEnded()) continue;
    if (d.wants_notify && d.notify)
      PostMessage(d.notify, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, LPARAM(d.id));
    d.wants_notify = false;  // one notification per play command
  }
}

const std::vector<MciCommand>& MciCommandLog() { return S().log; }
void ClearMciCommandLog() { S().log.clear(); }

void SetMidiPlayerFactory(MidiPlayerFactory factory) { S().factory = std::move(factory); }

void ResetMciForTests() {
  S().devices.clear();
  S().log.clear();
  S().next_id = 1;
}

}  // namespace tessera
