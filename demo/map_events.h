// The words a map's events carry.  In Tiled, an object of type "event" is
// named with what it is; tessera-map stores the name as the EVENTTABLE
// row's EXPLAIN and the object's cell as its FILEPOS:
//
//   door MAP X Y                      a door on the event's cell, leading to
//                                     cell (X, Y) of map MAP
//   spawn NAME SHIRT HAT X,Y X,Y ...  a villager: its shirt's and hat's
//                                     colours (RRGGBB), the cells of its round
#ifndef TESSERA_DEMO_MAP_EVENTS_H
#define TESSERA_DEMO_MAP_EVENTS_H

#include <string>
#include <vector>

#include "public/windows_types.h"

namespace demo {

struct MapEvent {
  enum Kind { kDoor, kSpawn } kind = kDoor;
  tagPOINT cell{0, 0};         // the event's cell
  std::string name;            // door: the map it leads to; spawn: who
  tagPOINT to{0, 0};           // door: the cell the player arrives on
  int shirt = 0, hat = 0;      // spawn: 0xRRGGBB
  std::vector<tagPOINT> path;  // spawn: at least one cell
};

// Reads one event of a map `columns` cells wide.  False for anything else
// (another kind of event, missing or malformed words, a cell off the map,
// a colour that is not six hex digits); `out` is then untouched.
bool ParseMapEvent(const std::string& text, long filepos, int columns, int rows, MapEvent* out);

}  // namespace demo

#endif
