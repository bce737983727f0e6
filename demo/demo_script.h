// Scripted input for the sample game, so that tests and recordings drive
// it without a person.  Each line is a frame number and an event:
//
//   10 click 120 300      mouse to (120, 300), left button down and up
//   11 rclick 120 300     the same with the right button
//   12 move 200 200       the mouse moves there
//   20 key enter          a key: enter escape backspace tab left up right
//                         down home end delete f5 f9 alt+enter
//   30 type 你好 hello     the rest of the line (UTF-8) typed as text
//   40 hash village       log the hash of this frame's picture
//   41 shot out.png       save this frame as PNG
//   90 quit               end the run after frame 90
//
// Blank lines and lines starting with '#' are ignored.  The events become
// the same window messages a real window delivers, so a script exercises the
// game's own input path.
#ifndef TESSERA_DEMO_DEMO_SCRIPT_H
#define TESSERA_DEMO_DEMO_SCRIPT_H

#include <string>
#include <vector>

namespace demo {

struct ScriptEvent {
  enum Kind { kClick, kRightClick, kMove, kKey, kType, kHash, kShot, kQuit } kind;
  int frame;
  int x = 0, y = 0;
  int key = 0;       // kKey: the virtual-key code
  bool alt = false;  // kKey: with Alt held
  std::string text;  // kType: GBK text; kHash: label; kShot: file
};

// The virtual-key code of a key name (see above), with Alt for "alt+...";
// false for an unknown name.
bool KeyByName(const std::string& name, int* key, bool* alt);

// Reads a script; false with "path:line: why" in `error`.  Events are
// returned in file order.
bool LoadScript(const std::string& path, std::vector<ScriptEvent>* events, std::string* error);

// The same over text already in memory (`name` is used in messages).
bool ParseScript(const std::string& text, const std::string& name, std::vector<ScriptEvent>* events,
                 std::string* error);

}  // namespace demo

#endif
