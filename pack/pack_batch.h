// Adding many files to one pack as one step: all or nothing.
//
// CRes::AddFileToPack appends one resource, syncs it and records its row.
// A tool that builds a pack from a folder of files wants the same safety at
// the cost of one sync: AddFilesToPack holds the pack's append lock for the
// whole batch, appends every file, syncs the pack once, and then records
// every row in one database transaction.  When anything fails -- a file
// that cannot be read, a write that comes up short (a full disk), the sync,
// a row that cannot be recorded -- the pack is cut back to where the batch
// began and no row is recorded, so nothing is half-stored and the pack keeps
// no bytes that no row refers to.
#ifndef TESSERA_PACK_PACK_BATCH_H
#define TESSERA_PACK_PACK_BATCH_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CRes;

namespace tessera {

// One resource to add and the identifier (GBK, at most 10 bytes) to record
// it under.  Its bytes are the whole of `file`, or, when `in_memory` is set,
// `bytes` (a converted image, say); `file` then only names it in messages.
struct PackBatchItem {
  std::string file;
  std::string id;
  bool in_memory = false;
  std::string bytes;
};

// Where each item went, in the order of the items (filled only on success).
struct PackBatchRange {
  int32_t start = 0;
  int32_t end = 0;
};

// Called after each file has been appended (done of total), and once more
// with done == total after the rows are recorded.
using PackBatchProgress = std::function<void(size_t done, size_t total)>;

// Adds every item to pack `packName` (a pack name as CRes resolves it) and
// records the rows in the game database of `res`.  True when every item is
// stored; otherwise false with the reason in `error` and nothing stored.
bool AddFilesToPack(CRes& res, const std::string& packName, const std::vector<PackBatchItem>& items,
                    std::vector<PackBatchRange>& ranges, std::string& error,
                    const PackBatchProgress& progress = PackBatchProgress());

}  // namespace tessera

#endif
