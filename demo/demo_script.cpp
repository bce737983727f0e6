#include "demo/demo_script.h"

#include <fstream>
#include <sstream>

namespace demo {

bool LoadScript(const std::string& path, std::vector<ScriptEvent>* events, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot open";
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string first;
    if (!(words >> first) || first[0] == '#') continue;
    ScriptEvent e{ScriptEvent::kQuit, 0};
    std::string kind;
    bool ok = false;
    try {
      e.frame = std::stoi(first);
      ok = static_cast<bool>(words >> kind);
    } catch (const std::exception&) {
    }
    if (ok && kind == "click") {
      e.kind = ScriptEvent::kClick;
      ok = static_cast<bool>(words >> e.x >> e.y);
    } else if (ok && kind != "quit") {
      ok = false;
    }
    std::string rest;
    if (!ok || e.frame < 0 || (words >> rest)) {
      *error = path + ":" + std::to_string(number) + ": expected 'FRAME click X Y' or 'FRAME quit'";
      return false;
    }
    events->push_back(e);
  }
  return true;
}

}  // namespace demo
