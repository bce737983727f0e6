// Creating new, empty databases.
//
// The library carries the text of database/schema.sql, so a program
// installed without the source tree can still create a game database, a
// shared pack database ("data\Pack.mdb") or a scene database: all three
// take the same schema, every table of the engine with its columns in the
// engine's order.
#ifndef TESSERA_DATABASE_SCHEMA_H
#define TESSERA_DATABASE_SCHEMA_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>

namespace tessera {

// The text of database/schema.sql.
const char* SchemaSql();

// Creates a new SQLite database file at `path` (an engine path) holding
// every table of the schema, empty.  Fails, leaving any existing file
// untouched, when the file exists already or cannot be written; `error`
// then says why.
bool CreateDataBaseFile(const std::string& path, std::string* error = nullptr);

}  // namespace tessera

#pragma GCC visibility pop
#endif
