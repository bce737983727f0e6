// Pack files and the list of open packs.
//
// A pack file is a plain concatenation of resource bytes: no header, no
// per-resource header, no padding.  A resource is the bytes [start, end) of
// the pack file its index row names.  New resources are appended at the end;
// packs only grow.  A pack file must exist before anything is added to it
// (it is opened for update, "rb+", never created here).
//
// Both resource packs -- CRes, indexed by the database's RESTABLE, and the
// older table-file pack QRES, indexed by a dBase table -- keep their open
// packs in a doubly linked list of `pack` nodes, searched from the newest.
// The helpers below work on such a list, given as its first and last
// pointers, so that both share one implementation.
#ifndef TESSERA_PACK_PACK_LIST_H
#define TESSERA_PACK_PACK_LIST_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <cstdio>
#include <string>

#include "public/error_report.h"

// One open pack file.
struct pack {
  char szName[256];  // the name as the index writes it; compared exactly
  std::FILE* fp;     // the file, open in "rb+" until the owner goes
  pack* pPrev;       // registered before this one
  pack* pNext;       // registered after this one
  // Bytes known to be in the file (at open, after each append).  A load
  // whose range ends within it needs no fstat to check the range; past it,
  // the file is looked at again, since another program may have appended.
  long long nKnownSize;
  // The file could be opened for reading only (a read-only install): loads
  // work, appends fail with "Read-only file %s.".
  bool bReadOnly;
};

namespace tessera {

// The newest registered pack whose name equals `name` exactly, or null.
pack* FindPack(pack* last, const char* name);

// Opens `path` ("rb+", or "rb" when the file may not be written) and
// appends a node named `name` after `last`.  False when `name` is
// registered already (nothing changes), when it does not fit a node's name,
// or when the file cannot be opened or is not a regular file ("Not found
// file %s." with the path).
bool RegisterPack(pack*& first, pack*& last, const char* name, const std::string& path);

// Closes and frees every pack, newest first; both pointers end up null.
void FreePacks(pack*& first, pack*& last);

// The file path of a pack name for CRes: "*name" lies under the engine
// folder `root` (root + name without the '*'); any other name is appended
// to the game database's folder (the database path up to, not including,
// its last separator; the whole path when it has none).  Empty when the
// result would exceed 1,023 bytes.
std::string ResolvePackPath(const char* database, const char* root, const char* name);

// Appends `length` bytes at the end of `p`, flushes them and syncs them to
// the disk (fdatasync), so that they are in the file, durably, before
// anyone records their range.  `start` and `end` get the range written.  A
// short write (a full disk) reports "Failed to write file,%s %ld" and goes
// on with the range that was written: callers that must not record a cut
// resource compare end - start with what they asked for.  False (nothing
// written) when `length` is negative, `data` is null with a length, the
// pack is read-only ("Read-only file %s.\n %s %ld" with the pack's name)
// or the pack would grow beyond the 32-bit offsets of the index.  With
// `sync` false the bytes are flushed only; the caller syncs before it
// records (SyncPack).
//
// Appends from several processes: hold a PackAppendLock on the pack across
// the append and the recording of its range.
bool AppendToPack(pack* p, const unsigned char* data, long length, int32_t& start, int32_t& end,
                  bool sync = true);

// Syncs what was appended without a sync (AppendToPack with `sync` false,
// for a batch of appends that is synced once before its rows are recorded).
bool SyncPack(pack* p);

// Cuts the pack back to `start`, the start of an append whose range could
// not be recorded, so that no unreferenced bytes stay behind.  Only under
// the PackAppendLock that was held for that append.
bool UndoAppend(pack* p, int32_t start);

// Holds the append lock of one pack file for the life of the object,
// waiting while another process (or another open of the file in this one)
// holds it.  The lock is the byte at offset 0x7FFFFFFF: the index's offsets
// are 32-bit signed, so no pack holds data there and no read or write is
// ever blocked by it.  Finding the end of the pack, writing the bytes and
// recording their range all happen under it, so two writers never take the
// same end or record ranges out of order.  A read-only pack takes no lock.
class PackAppendLock {
 public:
  explicit PackAppendLock(pack* p);
  ~PackAppendLock();
  PackAppendLock(const PackAppendLock&) = delete;
  PackAppendLock& operator=(const PackAppendLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

constexpr long long kPackLockOffset = 0x7FFFFFFF;

// Reads [start, end) of `p` into a new buffer of end - start + 1 bytes with
// a zero byte after the data, freeing the caller's old `buffer` first, and
// returns end - start + 1.  A range that does not lie inside the file
// (negative, reversed, or past its end) reports "Failed to read file,%s %ld
// \n[PackId : %s]" and gives 0 with `buffer` untouched.  A read that comes
// up short (the file shrank) reports the same and goes on, with zeros for
// the unread tail.  No memory: "No enough memory for loadpack!" and 0,
// `buffer` null.  Buffers are allocated with new[] and freed with delete[].
// With a null `id` the read message is the short "Failed to read file,%s
// %ld" of the table-file pack.
int ReadPackRange(pack* p, int32_t start, int32_t end, unsigned char*& buffer, const char* id);

// The whole of `file` in a new[] buffer of its size plus one, for the
// packs' AddFileToPack; `size` gets the bytes read.  The file is closed
// before the return.  Null after "Can not open file %s\n%s %ld" (no such
// file) or "No enough memory to create buf\n%s %ld"; a short read reports
// "Failed to read file,%s %ld" and gives what was read.
unsigned char* ReadFileForPack(const char* file, long& size);

// What both packs' SeekPack does: the registered pack `name`, registering
// it through the owner's RegistPack (file = name) on first use.
template <class Owner>
pack* SeekOrRegisterPack(Owner& owner, const char* name) {
  if (pack* p = FindPack(owner.m_pLast, name)) return p;
  if (!owner.RegistPack(name, name)) return nullptr;
  return FindPack(owner.m_pLast, name);
}

// What both packs' AddDataToPack does first: finds (or registers) pack
// `packName`; "Not found Pack!" and null when the pack cannot be opened.
template <class Owner>
pack* NamedPackForAppend(Owner& owner, const char* packName) {
  pack* p = SeekOrRegisterPack(owner, packName);
  if (!p) ErrorBox("Not found Pack!\n %s %ld", __FILE__, (long)__LINE__);
  return p;
}

// What both packs' AddFileToPack does: the whole file handed to the
// owner's AddDataToPack.
template <class Owner>
bool AddWholeFileToPack(Owner& owner, const char* file, const char* id, const char* packName,
                        const char* text) {
  long size = 0;
  unsigned char* buffer = ReadFileForPack(file, size);
  if (!buffer) return false;
  bool ok = owner.AddDataToPack(buffer, size, id, packName, text);
  delete[] buffer;
  return ok;
}

}  // namespace tessera

#pragma GCC visibility pop
#endif
