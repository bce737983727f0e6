// Creating an empty index file and rebuilding an index from its table.
#ifndef TESSERA_PACK_IDX_CREATE_H
#define TESSERA_PACK_IDX_CREATE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>
#include <string_view>

class DBF;

namespace tessera {

// Writes an index with keys of `key_length` bytes (1 to 31): the header
// block and an empty root leaf.  Replaces any file at `path`.
bool CreateIdx(std::string_view path, int key_length, std::string& error);

// Replaces the index at `path` by one keyed on `field` of `table` (the key
// length is the field's length), holding every record of the table, deleted
// ones included; equal keys stand in record order.  Built bottom-up from the
// sorted keys, with full nodes, and written in one go.  The table keeps its
// current record and its controlling index.
bool RebuildIdx(DBF& table, std::string_view path, const char* field, std::string& error);

}  // namespace tessera

#pragma GCC visibility pop
#endif
