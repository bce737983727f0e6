#include "demo/map_events.h"

#include <cstdlib>
#include <sstream>

namespace demo {

namespace {

bool Colour(const std::string& word, int* out) {
  if (word.size() != 6 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  *out = static_cast<int>(std::strtol(word.c_str(), nullptr, 16));
  return true;
}

bool Number(const std::string& word, long* out) {
  if (word.empty() || word.size() > 5 || word.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *out = std::strtol(word.c_str(), nullptr, 10);
  return true;
}

bool Cell(const std::string& word, int columns, int rows, tagPOINT* out) {
  const size_t comma = word.find(',');
  long x = 0, y = 0;
  if (comma == std::string::npos || !Number(word.substr(0, comma), &x) ||
      !Number(word.substr(comma + 1), &y) || x >= columns || y >= rows)
    return false;
  *out = tagPOINT{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  return true;
}

}  // namespace

bool ParseMapEvent(const std::string& text, long filepos, int columns, int rows, MapEvent* out) {
  if (columns <= 0 || rows <= 0 || filepos < 0 || filepos >= static_cast<long>(columns) * rows)
    return false;
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty()) return false;
  MapEvent e;
  e.cell =
      tagPOINT{static_cast<int32_t>(filepos % columns), static_cast<int32_t>(filepos / columns)};
  if (words[0] == "door") {
    // The target cell lies on the other map, whose size is not known here:
    // only its form is checked.
    long x = 0, y = 0;
    if (words.size() != 4 || !Number(words[2], &x) || !Number(words[3], &y)) return false;
    e.kind = MapEvent::kDoor;
    e.name = words[1];
    e.to = tagPOINT{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  } else if (words[0] == "spawn") {
    if (words.size() < 5 || !Colour(words[2], &e.shirt) || !Colour(words[3], &e.hat)) return false;
    e.kind = MapEvent::kSpawn;
    e.name = words[1];
    for (size_t i = 4; i < words.size(); ++i) {
      tagPOINT p;
      if (!Cell(words[i], columns, rows, &p)) return false;
      e.path.push_back(p);
    }
  } else {
    return false;
  }
  *out = e;
  return true;
}

}  // namespace demo
