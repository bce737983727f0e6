// Walking an index in key order, and checking an index against its table.
#ifndef TESSERA_PACK_IDX_WALK_H
#define TESSERA_PACK_IDX_WALK_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class DBF;
class IDX;

namespace tessera {

// Calls `visit` with every entry's key and stored record pointer (1-based),
// in key order along the leaf chain; `visit` returns false to stop.  The
// walk is bounded by the entries the file can hold, so a looping chain ends
// it.  False, with the reason in `error`, when the index is damaged.
bool WalkIdx(IDX& index, const std::function<bool(std::string_view key, uint32_t pointer)>& visit,
             std::string& error);

// Every fault of `index` as an index of `field` over `table`: damage, keys
// out of order, pointers outside the table, keys that differ from the
// record's field, records listed twice or missing.  Empty when the index
// is good.  At most `limit` faults are listed.
std::vector<std::string> CheckIdxAgainstTable(DBF& table, IDX& index, const char* field,
                                              size_t limit = 20);

}  // namespace tessera

#pragma GCC visibility pop
#endif
