// Pack names as a person types them, turned into the names the engine
// records in RESTABLE.
//
// The engine finds a pack by its recorded name: "\name.pak" (any name not
// starting with '*') is appended to the game database's folder, and
// "*data\name.pak" to the engine folder.  A tool that took a typed name as
// it is would put "game.pak" for the database "data/Game.mdb" at
// "datagame.pak", so names are normalised first:
//
//   typed                 recorded           file (database data/Game.mdb)
//   game.pak              \game.pak          data/game.pak
//   art/game.pak          \art\game.pak      data/art/game.pak
//   ./game.pak            \game.pak          data/game.pak
//   \game.pak             \game.pak          data/game.pak
//   *data\shared.pak      *data\shared.pak   <engine folder>data/shared.pak
//   /abs/data/game.pak    \game.pak          (when /abs/data is the database's folder)
//
// Refused, with the reason: an empty name, a name ending in a separator or
// naming an existing folder, ".." (it would leave the folder), an absolute
// path outside the database's folder, control characters, and names longer
// than a record holds (255 bytes).
#ifndef TESSERA_PACK_PACK_NAME_H
#define TESSERA_PACK_PACK_NAME_H

#include <string>
#include <string_view>

namespace tessera {

bool NormalizePackName(std::string_view typed, const std::string& database, const std::string& root,
                       std::string* name, std::string* error);

}  // namespace tessera

#endif
