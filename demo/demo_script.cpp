#include "demo/demo_script.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text_encoding.h"

namespace demo {

bool KeyByName(const std::string& name, int* key, bool* alt) {
  static const struct {
    const char* name;
    int key;
  } kKeys[] = {
      {"enter", 13},  {"escape", 27}, {"backspace", 8}, {"tab", 9},   {"left", 37},
      {"up", 38},     {"right", 39},  {"down", 40},     {"home", 36}, {"end", 35},
      {"delete", 46}, {"f5", 116},    {"f9", 120},
  };
  std::string base = name;
  *alt = base.rfind("alt+", 0) == 0;
  if (*alt) base = base.substr(4);
  for (const auto& k : kKeys)
    if (base == k.name) {
      *key = k.key;
      return true;
    }
  return false;
}

bool ParseScript(const std::string& text, const std::string& name, std::vector<ScriptEvent>* events,
                 std::string* error) {
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string first;
    if (!(words >> first) || first[0] == '#') continue;
    ScriptEvent e{ScriptEvent::kQuit, 0, 0, 0, 0, false, {}};
    std::string kind;
    bool ok = false;
    try {
      size_t used = 0;
      e.frame = std::stoi(first, &used);
      ok = used == first.size() && static_cast<bool>(words >> kind);
    } catch (const std::exception&) {
    }
    bool rest_allowed = false;
    if (!ok) {
    } else if (kind == "click" || kind == "rclick" || kind == "move") {
      e.kind = kind == "click"    ? ScriptEvent::kClick
               : kind == "rclick" ? ScriptEvent::kRightClick
                                  : ScriptEvent::kMove;
      ok = static_cast<bool>(words >> e.x >> e.y) && e.x >= 0 && e.y >= 0 && e.x < 65536 &&
           e.y < 65536;
    } else if (kind == "key") {
      e.kind = ScriptEvent::kKey;
      std::string key;
      ok = (words >> key) && KeyByName(key, &e.key, &e.alt);
    } else if (kind == "type") {
      e.kind = ScriptEvent::kType;
      std::string utf8;
      std::getline(words, utf8);
      if (!utf8.empty() && utf8[0] == ' ') utf8.erase(0, 1);
      e.text = tessera::Utf8ToGbk(utf8);
      ok = !e.text.empty();
      rest_allowed = true;
    } else if (kind == "hash" || kind == "shot") {
      e.kind = kind == "hash" ? ScriptEvent::kHash : ScriptEvent::kShot;
      ok = static_cast<bool>(words >> e.text);
    } else if (kind != "quit") {
      ok = false;
    }
    std::string rest;
    if (!ok || e.frame < 0 || (!rest_allowed && (words >> rest))) {
      *error = name + ":" + std::to_string(number) +
               ": expected 'FRAME click|rclick|move X Y', 'FRAME key NAME', 'FRAME type TEXT', "
               "'FRAME hash|shot WORD' or 'FRAME quit'";
      return false;
    }
    events->push_back(e);
  }
  return true;
}

bool LoadScript(const std::string& path, std::vector<ScriptEvent>* events, std::string* error) {
  std::error_code ec;
  const std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = (full.empty() ? path : full) + ": cannot open";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  return ParseScript(text.str(), path, events, error);
}

}  // namespace demo
