// IDX: a single-key B+ tree index over a dBase table, in 512-byte blocks.
//
// Block 0 is the header: root offset (0), end of the used file (8), key
// length (12, low byte).  Every other block is a node: attributes (0 index,
// 1 root index, 2 leaf, 3 root leaf), entry count, left and right sibling
// offsets (-1 for none), then entries of key bytes followed by a big-endian
// pointer: a 1-based record number in a leaf, a child's offset in an index
// node, whose key is the greatest key under that child.  Leaves on one level
// are chained both ways, so a walk in key order runs along them.
//
// Splits move the upper half of a full node into a new node at the end of
// the file, except at the right edge of a level (the last node, the new key
// going after all of its keys): there the node stays full and the new node
// starts with the new key, so keys that arrive in ascending order leave
// full nodes behind them.
//
// Navigation returns 0-based record numbers, -1 for none.  Every node read
// is checked (inside the file, on a block boundary, a possible entry count)
// and every descent is bounded by the number of blocks, so a damaged file
// ends a walk with -1 rather than a crash or an endless loop.
//
// The index file takes no lock of its own.  When a table and its index are
// shared between processes, every writer holds the table's append lock --
// a tessera::DbfAppendGuard on the table (pack/dbf.h) -- across
// AppendBlank, the writes into the new record and IdxInsert: the guard is
// re-entrant and AppendBlank takes no second lock under it, so the record
// and its key appear together for every other writer, and two inserts
// never split the same node at once.  A table opened exclusively needs no
// guard: no other handle can open it.  Readers re-read the header (Flush)
// before each Seek, so they see what the writers added.
//
// A file that may be read but not written opens read-only: navigation works
// and Insert fails with "Read-only file %s!\n %s %ld".  An insert that
// would split nodes first makes sure the file can grow by every block the
// split may need; on a full disk it reports "Failed to write file %s!\n %s
// %ld" and leaves the tree as it was.
#ifndef TESSERA_PACK_IDX_H
#define TESSERA_PACK_IDX_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <string_view>

#include "pack/dbf_field.h"
#include "pack/index_link.h"
#include "pack/raw_file.h"

class DBF;
class IDX;

namespace tessera {
bool IdxInsertKey(IDX& index, long record, std::string_view key);

// The one node an index holds in memory.
struct IdxNode {
  uint16_t m_nAttr = 0;            // 0 index, 1 root index, 2 leaf, 3 root leaf
  int m_nCount = 0;                // entries
  long m_nLeft = -1;               // left sibling's offset, -1 for none
  long m_nRight = -1;              // right sibling's offset, -1 for none
  unsigned char m_Keys[500] = {};  // entries: key bytes, big-endian pointer
};
}  // namespace tessera

class IDX {
 public:
  IDX(char* name, int exclusive);
  IDX(const char* name, int exclusive);
  virtual ~IDX();
  IDX(const IDX&) = delete;
  IDX& operator=(const IDX&) = delete;

  long GoTop();
  long GoBottom();
  long Skip();
  long RevSkip();
  long Seek(const char* key);
  // Adds the key given in the form of the table's key field ('C'/'D'/'L' a
  // char*, 'N'/'F' a double), pointing at `record` (1-based).
  bool Insert(long record, ...);
  void Flush();

  tessera::RawFile m_fp;
  long m_nRoot;
  long m_nEnd;
  int m_nKeyLen;
  int m_nBlocks;
  int m_nEntryLen;
  tessera::IdxNode m_Node;
  char m_szKey[32];
  int m_nCurKey;
  tessera::IndexLinkEnd m_pDbf;  // the table it orders, or null (pack/index_link.h)
  int m_nField;
  tessera::ErrorReporter m_pfnError;

 protected:
  // False when the block cannot be read whole or is not a node.
  bool BlockRead(long offset);
  bool BlockWrite(long offset);
  void BlockWriteRecno(long pointer, unsigned char* entry);
  bool BlockSearch(int& position, char* key);
  void BlockInsert(int position, char* entry);
  bool Bp_Inst(long node, unsigned char** entry, unsigned char** separator);

 private:
  friend bool tessera::IdxInsertKey(IDX&, long, std::string_view);
  void OpenIndex(const char* name);
  int MaxEntries() const { return 500 / m_nEntryLen; }
  unsigned char* EntryAt(int position) { return m_Node.m_Keys + position * m_nEntryLen; }
  long PointerAt(int position);
  long TakeEntry(int position);  // makes entry `position` (0-based) current
  bool InsertEntry(unsigned char* entry);
  int LowerBound(const unsigned char* key, int length);
  // Recursive insertion; -1 for a damaged path, 0 no split, 1 split.
  int InsertInto(long node, unsigned char* entry, unsigned char* separator, int depth);
  bool WriteHeaderField(int offset, long value);
  // Whether the file can grow to `blocks` blocks past the used end.
  bool RoomToGrow(int blocks);
};

namespace tessera {

// The largest key an index holds (the current-key buffer less its zero).
constexpr int kIdxMaxKeyLen = 31;

// Whether the index opened: false when the file was missing or refused.
inline bool IdxUsable(const IDX& index) { return index.m_nKeyLen > 0; }

// Adds the key bytes `key` (cut or padded with spaces to the key length)
// pointing at `record` (1-based), whatever the table's field type.
bool IdxInsertKey(IDX& index, long record, std::string_view key);

}  // namespace tessera

#pragma GCC visibility pop
#endif
