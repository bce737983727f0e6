// Scripted input for the sample game, so that tests and recordings drive
// it without a person:
//
//   # frame  event
//   10 click 120 300      a mouse click at (120, 300) on frame 10
//   40 quit               end the run after frame 40
//
// Blank lines and lines starting with '#' are ignored.
#ifndef TESSERA_DEMO_DEMO_SCRIPT_H
#define TESSERA_DEMO_DEMO_SCRIPT_H

#include <string>
#include <vector>

namespace demo {

struct ScriptEvent {
  enum Kind { kClick, kQuit } kind;
  int frame;
  int x = 0, y = 0;
};

// Reads a script; false with the offending line in `error`.
bool LoadScript(const std::string& path, std::vector<ScriptEvent>* events, std::string* error);

}  // namespace demo

#endif
