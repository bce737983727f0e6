#include "pack/idx.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

#include "pack/dbf.h"
#include "platform/byte_order.h"

namespace {

constexpr long kBlock = 512;

// Offsets are stored as signed 32-bit values.
int32_t Le32(const unsigned char* p) { return static_cast<int32_t>(tessera::Le32(p)); }
void PutLe32(unsigned char* p, long v) {
  uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<unsigned char>(u);
  p[1] = static_cast<unsigned char>(u >> 8);
  p[2] = static_cast<unsigned char>(u >> 16);
  p[3] = static_cast<unsigned char>(u >> 24);
}

// Compares an entry's key with the first `length` bytes of `key`, over at
// most the key length; a search key longer than the key length sorts after
// an entry it matches, since no entry can begin with it.
int CompareKey(const unsigned char* entry, const unsigned char* key, int length, int key_len) {
  int n = std::min(length, key_len);
  int c = std::memcmp(entry, key, static_cast<size_t>(n));
  if (c == 0 && length > key_len) return -1;
  return c;
}

}  // namespace

IDX::IDX(char* name, int exclusive) : IDX(static_cast<const char*>(name), exclusive) {}

IDX::IDX(const char* name, int exclusive)
    : m_nRoot(0),
      m_nEnd(0),
      m_nKeyLen(0),
      m_nBlocks(0),
      m_nEntryLen(4),
      m_szKey(),
      m_nCurKey(0),
      m_nField(-1),
      m_pfnError(tessera::ReportErrorBox) {
  // Both modes open for reading and writing, and the index takes no lock
  // of its own: its writers are serialised by the table's append lock, or
  // by opening the table exclusively (pack/dbf.h).
  (void)exclusive;
  OpenIndex(name ? name : "");
}

void IDX::OpenIndex(const char* name) {
  std::string path = name;
  if (path.find('.') == std::string::npos) path += ".idx";
  if (!m_fp.Open(path)) {
    m_pfnError("Not found file %s!\n %s %ld", path.c_str(), __FILE__, (long)__LINE__);
    return;
  }
  unsigned char head[14];
  int64_t size = m_fp.Size();
  bool good = m_fp.ReadAt(0, head, sizeof head) == static_cast<long>(sizeof head);
  long root = good ? Le32(head) : 0;
  long end = good ? Le32(head + 8) : 0;
  int key_len = good ? static_cast<signed char>(head[12]) : 0;
  // The key must fit the current-key buffer, the root must be a block of
  // the used file, and the used file must be there.
  good = good && key_len >= 1 && key_len <= tessera::kIdxMaxKeyLen && root >= kBlock &&
         root % kBlock == 0 && end % kBlock == 0 && root < end;
  if (!good) {
    m_fp.Close();
    m_pfnError("Bad index header %s!\n %s %ld", path.c_str(), __FILE__, (long)__LINE__);
    return;
  }
  // A root or a used end past the end of the file (a file cut short): the
  // first walk to the top fails, and that is what is reported.  The index is
  // not used.
  if (root + kBlock > size || end > size) {
    m_fp.Close();
    m_pfnError("Go top error during IDX opening!\n%s %ld", __FILE__, (long)__LINE__);
    return;
  }
  m_nRoot = root;
  m_nEnd = end;
  m_nKeyLen = key_len;
  m_nBlocks = static_cast<int>(end / kBlock - 1);
  m_nEntryLen = key_len + 4;
  if (GoTop() == -1)
    m_pfnError("Go top error during IDX opening!\n%s %ld", __FILE__, (long)__LINE__);
}

// The link to the table clears its own end (pack/index_link.h).
IDX::~IDX() = default;

void IDX::Flush() {
  if (!tessera::IdxUsable(*this)) return;
  unsigned char head[12];
  if (m_fp.ReadAt(0, head, sizeof head) != static_cast<long>(sizeof head)) return;
  long root = Le32(head);
  long end = Le32(head + 8);
  // Offsets that another writer left impossible are not taken over; a root
  // past the end of the file fails when it is read.
  if (root < kBlock || root % kBlock || end % kBlock || root >= end) return;
  m_nRoot = root;
  m_nEnd = end;
  m_nBlocks = static_cast<int>(m_nEnd / kBlock - 1);
}

bool IDX::BlockRead(long offset) {
  if (offset < 0) {
    m_pfnError("fseek error!\n%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  if (m_nKeyLen <= 0 || offset < kBlock || offset % kBlock) return false;
  unsigned char block[kBlock];
  if (m_fp.ReadAt(offset, block, kBlock) != kBlock) return false;
  int attr = block[0] | (block[1] << 8);
  int count = static_cast<int16_t>(block[2] | (block[3] << 8));
  if (attr > 3 || count < 0 || count > MaxEntries()) return false;
  m_Node.m_nAttr = static_cast<uint16_t>(attr);
  m_Node.m_nCount = count;
  m_Node.m_nLeft = Le32(block + 4);
  m_Node.m_nRight = Le32(block + 8);
  std::memcpy(m_Node.m_Keys, block + 12, sizeof m_Node.m_Keys);
  return true;
}

bool IDX::BlockWrite(long offset) {
  if (offset < kBlock || offset % kBlock) return false;
  unsigned char block[kBlock];
  block[0] = static_cast<unsigned char>(m_Node.m_nAttr);
  block[1] = static_cast<unsigned char>(m_Node.m_nAttr >> 8);
  block[2] = static_cast<unsigned char>(m_Node.m_nCount);
  block[3] = static_cast<unsigned char>(m_Node.m_nCount >> 8);
  PutLe32(block + 4, m_Node.m_nLeft);
  PutLe32(block + 8, m_Node.m_nRight);
  std::memcpy(block + 12, m_Node.m_Keys, sizeof m_Node.m_Keys);
  return m_fp.WriteAt(offset, block, kBlock);
}

void IDX::BlockWriteRecno(long pointer, unsigned char* entry) {
  uint32_t u = static_cast<uint32_t>(pointer);
  unsigned char* p = entry + m_nKeyLen;
  p[0] = static_cast<unsigned char>(u >> 24);
  p[1] = static_cast<unsigned char>(u >> 16);
  p[2] = static_cast<unsigned char>(u >> 8);
  p[3] = static_cast<unsigned char>(u);
}

long IDX::PointerAt(int position) {
  const unsigned char* p = EntryAt(position) + m_nKeyLen;
  return static_cast<long>(tessera::Be32(p));
}

long IDX::TakeEntry(int position) {
  m_nCurKey = position + 1;
  std::memcpy(m_szKey, EntryAt(position), static_cast<size_t>(m_nKeyLen));
  m_szKey[m_nKeyLen] = 0;
  long pointer = PointerAt(position);
  return pointer ? pointer - 1 : 0;
}

int IDX::LowerBound(const unsigned char* key, int length) {
  int low = 0, high = m_Node.m_nCount;
  while (low < high) {
    int mid = (low + high) / 2;
    if (CompareKey(EntryAt(mid), key, length, m_nKeyLen) < 0)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

bool IDX::BlockSearch(int& position, char* key) {
  int length = static_cast<int>(std::strlen(key));
  position = LowerBound(reinterpret_cast<const unsigned char*>(key), length);
  if (position < m_Node.m_nCount) return true;
  if (m_Node.m_nCount >= MaxEntries()) {
    position = m_Node.m_nCount - 1;
    return false;
  }
  return true;
}

void IDX::BlockInsert(int position, char* entry) {
  int count = m_Node.m_nCount;
  std::memmove(EntryAt(position + 1), EntryAt(position),
               static_cast<size_t>(count - position) * static_cast<size_t>(m_nEntryLen));
  std::memcpy(EntryAt(position), entry, static_cast<size_t>(m_nEntryLen));
  m_Node.m_nCount = count + 1;
}

long IDX::GoTop() {
  if (!tessera::IdxUsable(*this) || !BlockRead(m_nRoot)) return -1;
  for (int depth = 0; m_Node.m_nAttr < 2; ++depth) {
    if (depth >= m_nBlocks || m_Node.m_nCount == 0) return -1;
    if (!BlockRead(PointerAt(0))) return -1;
  }
  if (m_Node.m_nCount == 0) {
    // An empty leaf: its zeroed first entry points at record "0".
    m_nCurKey = 1;
    m_szKey[0] = 0;
    return 0;
  }
  return TakeEntry(0);
}

long IDX::GoBottom() {
  if (!tessera::IdxUsable(*this)) return -1;
  // The walk starts from the leaf in the buffer; after an insertion that is
  // an index node, so descend to the first leaf first.
  if (m_Node.m_nAttr < 2 && GoTop() == -1) return -1;
  for (int step = 0; m_Node.m_nRight != -1; ++step) {
    if (step >= m_nBlocks || !BlockRead(m_Node.m_nRight)) return -1;
  }
  if (m_Node.m_nCount == 0) return 0;
  return TakeEntry(m_Node.m_nCount - 1);
}

long IDX::Skip() {
  if (!tessera::IdxUsable(*this) || m_Node.m_nAttr < 2) return -1;
  int next = m_nCurKey + 1;
  if (next > m_Node.m_nCount) {
    if (m_Node.m_nRight == -1) {
      m_nCurKey = m_Node.m_nCount;
      return -1;
    }
    if (!BlockRead(m_Node.m_nRight) || m_Node.m_nAttr < 2) return -1;
    if (m_Node.m_nCount == 0) {
      m_nCurKey = 0;
      return -1;
    }
    next = 1;
  }
  if (next < 1) next = 1;
  return TakeEntry(next - 1);
}

long IDX::RevSkip() {
  if (!tessera::IdxUsable(*this) || m_Node.m_nAttr < 2) return -1;
  int prev = std::min(m_nCurKey, m_Node.m_nCount) - 1;
  if (prev < 1) {
    if (m_Node.m_nLeft == -1) {
      m_nCurKey = 1;
      return -1;
    }
    if (!BlockRead(m_Node.m_nLeft) || m_Node.m_nAttr < 2) return -1;
    if (m_Node.m_nCount == 0) {
      m_nCurKey = 1;
      return -1;
    }
    prev = m_Node.m_nCount;
  }
  return TakeEntry(prev - 1);
}

long IDX::Seek(const char* key) {
  if (!tessera::IdxUsable(*this) || !key) return -1;
  int length = static_cast<int>(std::strlen(key));
  const unsigned char* k = reinterpret_cast<const unsigned char*>(key);
  Flush();
  if (!BlockRead(m_nRoot)) return -1;
  int depth = 1;
  int position;
  for (;;) {
    position = LowerBound(k, length);
    if (m_Node.m_nAttr >= 2) break;
    if (m_Node.m_nCount == 0) return -1;
    if (position == m_Node.m_nCount) position = m_Node.m_nCount - 1;
    if (depth > m_nBlocks) return -1;
    if (!BlockRead(PointerAt(position))) return -1;
    ++depth;
  }
  if (position == m_Node.m_nCount) return -1;
  if (length > m_nKeyLen || std::memcmp(EntryAt(position), k, static_cast<size_t>(length)) != 0)
    return -1;
  return TakeEntry(position);
}

bool IDX::Insert(long record, ...) {
  if (!tessera::IdxUsable(*this) || !m_pDbf || m_nField < 0 || m_nField >= m_pDbf->m_nFieldCount)
    return false;
  const tessera::DbfField& field = m_pDbf->m_pFields[m_nField];
  char text[512];
  va_list args;
  va_start(args, record);
  switch (field.type) {
    case 'C': {
      const char* value = va_arg(args, const char*);
      size_t n = value ? strnlen(value, static_cast<size_t>(m_nKeyLen)) : 0;
      if (n) std::memcpy(text, value, n);
      text[n] = 0;
      break;
    }
    case 'D': {
      const char* value = va_arg(args, const char*);
      if (!value || std::strlen(value) != 8) {
        va_end(args);
        m_pfnError("Data field value error :%s!/n %s %ld", value ? value : "", __FILE__,
                   (long)__LINE__);
        return false;
      }
      std::strcpy(text, value);
      break;
    }
    case 'N':
    case 'F':
      m_pDbf->DToNF(va_arg(args, double), text, m_nField);
      break;
    case 'L': {
      const char* value = va_arg(args, const char*);
      size_t n = value ? std::strlen(value) : 0;
      if (n != 1) {
        va_end(args);
        m_pfnError("Logic field value error:%s!/n %s %ld", value ? value : "", __FILE__,
                   (long)__LINE__);
        return false;
      }
      if (value[0] == 'T' || value[0] == 't') {
        std::strcpy(text, "T");
      } else if (value[0] == 'F' || value[0] == 'f') {
        std::strcpy(text, "F");
      } else {
        va_end(args);
        m_pfnError("Logic field value error!/n %s %ld", __FILE__, (long)__LINE__);
        return false;
      }
      break;
    }
    default:
      va_end(args);
      return false;
  }
  va_end(args);
  return tessera::IdxInsertKey(*this, record, text);
}

bool IDX::Bp_Inst(long node, unsigned char** entry, unsigned char** separator) {
  return InsertInto(node, *entry, *separator, 0) == 1;
}

bool IDX::RoomToGrow(int blocks) {
  const int64_t size = m_fp.Size();
  const int64_t want = m_nEnd + static_cast<int64_t>(blocks) * kBlock;
  if (size < 0) return false;
  if (size >= want) return true;
  std::string zeros(static_cast<size_t>(want - size), '\0');
  bool ok = m_fp.WriteAt(size, zeros.data(), zeros.size());
  // Back to the size it had: the blocks are written for real when the
  // nodes go there.
  m_fp.Truncate(size);
  return ok;
}

bool IDX::WriteHeaderField(int offset, long value) {
  unsigned char b[4];
  PutLe32(b, value);
  return m_fp.WriteAt(offset, b, 4);
}

bool IDX::InsertEntry(unsigned char* entry) {
  if (m_fp.ReadOnly()) {
    m_pfnError("Read-only file %s!\n %s %ld", m_fp.Path().c_str(), __FILE__, (long)__LINE__);
    return false;
  }
  // Another process may have grown the tree since the last look.
  Flush();
  unsigned char separator[tessera::kIdxMaxKeyLen + 4];
  return InsertInto(m_nRoot, entry, separator, 0) >= 0;
}

int IDX::InsertInto(long node, unsigned char* entry, unsigned char* separator, int depth) {
  if (depth > m_nBlocks || !BlockRead(node)) return -1;
  const size_t key_len = static_cast<size_t>(m_nKeyLen);
  int attr = m_Node.m_nAttr;
  bool leaf = attr >= 2;
  int position = LowerBound(entry, m_nKeyLen);
  if (!leaf) {
    if (m_Node.m_nCount == 0) return -1;
    bool grown = false;
    if (position == m_Node.m_nCount) {
      // The greatest key of a subtree stays its entry's key.  The node is
      // written once, after the descent: with the new key when the child
      // did not split, with the split's entries when it did.
      position = m_Node.m_nCount - 1;
      std::memcpy(EntryAt(position), entry, key_len);
      grown = true;
    }
    // Writers hold the table's append lock, so the node cannot change
    // while the child is worked on: a copy saves reading it again.
    const tessera::IdxNode here = m_Node;
    int split = InsertInto(PointerAt(position), entry, separator, depth + 1);
    if (split < 0) return split;
    m_Node = here;
    if (split == 0) return grown && !BlockWrite(node) ? -1 : 0;
    // The child kept its offset and the lower half: its entry takes the
    // separator's key, and the new right half goes just after it.
    std::memcpy(EntryAt(position), separator, key_len);
    ++position;
  }

  const int max = MaxEntries();
  if (m_Node.m_nCount < max) {
    BlockInsert(position, reinterpret_cast<char*>(entry));
    return BlockWrite(node) ? 0 : -1;
  }

  // A split adds a block at the end of the file, and so may each node above
  // it, and a new root: depth + 2 blocks at most.  Whether the file can
  // grow by that much (a full disk, a file-size limit) is tried before
  // anything is written, so that a failed insert leaves the tree as it was.
  if (!RoomToGrow(depth + 2)) {
    m_pfnError("Failed to write file %s!\n %s %ld", m_fp.Path().c_str(), __FILE__, (long)__LINE__);
    return -1;
  }

  // Split: the node keeps the first c - h entries, a new node at the end of
  // the file takes the last h.  At the right edge -- the last node of its
  // level, the entry going after its last -- the node keeps every entry
  // and the new node starts with the entry alone: keys added in ascending
  // order (record numbers, IDs handed out in turn) then fill every node
  // instead of leaving each half empty for keys that will never come.
  const int count = m_Node.m_nCount;
  const bool right_edge = position == count && m_Node.m_nRight == -1;
  const int moved = right_edge ? 0 : count / 2;
  const int kept = count - moved;
  const long fresh = m_nEnd;
  tessera::IdxNode upper;
  upper.m_nAttr = leaf ? 2 : 0;
  upper.m_nCount = moved;
  upper.m_nLeft = node;
  upper.m_nRight = m_Node.m_nRight;
  const size_t moved_bytes = static_cast<size_t>(moved) * static_cast<size_t>(m_nEntryLen);
  std::memcpy(upper.m_Keys, EntryAt(kept), moved_bytes);
  std::memset(EntryAt(kept), 0, moved_bytes);
  m_Node.m_nAttr = leaf ? 2 : 0;
  m_Node.m_nCount = kept;
  m_Node.m_nRight = fresh;

  // A position equal to the kept count puts the entry first in the new node.
  if (position < kept) {
    BlockInsert(position, reinterpret_cast<char*>(entry));
  } else {
    tessera::IdxNode lower = m_Node;
    m_Node = upper;
    BlockInsert(position - kept, reinterpret_cast<char*>(entry));
    upper = m_Node;
    m_Node = lower;
  }

  std::memcpy(separator, EntryAt(m_Node.m_nCount - 1), key_len);
  BlockWriteRecno(node, separator);
  if (!BlockWrite(node)) return -1;

  m_Node = upper;
  std::memcpy(entry, EntryAt(m_Node.m_nCount - 1), key_len);
  BlockWriteRecno(fresh, entry);
  if (!BlockWrite(fresh)) return -1;
  // The old right neighbour now has the new node on its left.  An offset
  // outside the used file is not followed.
  if (upper.m_nRight >= kBlock && upper.m_nRight % kBlock == 0 && upper.m_nRight < m_nEnd) {
    unsigned char b[4];
    PutLe32(b, fresh);
    m_fp.WriteAt(upper.m_nRight + 4, b, 4);
  }
  m_nEnd += kBlock;
  m_nBlocks = static_cast<int>(m_nEnd / kBlock - 1);
  WriteHeaderField(8, m_nEnd);

  if (attr == 1 || attr == 3) {
    // The root split: a new root index node above the two halves.
    tessera::IdxNode root;
    root.m_nAttr = 1;
    root.m_nCount = 2;
    root.m_nLeft = -1;
    root.m_nRight = -1;
    std::memcpy(root.m_Keys, separator, static_cast<size_t>(m_nEntryLen));
    std::memcpy(root.m_Keys + m_nEntryLen, entry, static_cast<size_t>(m_nEntryLen));
    m_Node = root;
    if (!BlockWrite(m_nEnd)) return -1;
    m_nRoot = m_nEnd;
    WriteHeaderField(0, m_nRoot);
    m_nEnd += kBlock;
    m_nBlocks = static_cast<int>(m_nEnd / kBlock - 1);
    WriteHeaderField(8, m_nEnd);
    return 0;
  }
  return 1;
}

namespace tessera {

bool IdxInsertKey(IDX& index, long record, std::string_view key) {
  if (!IdxUsable(index) || record < 0 || record > 0xFFFFFFFFL) return false;
  unsigned char entry[kIdxMaxKeyLen + 4];
  size_t key_len = static_cast<size_t>(index.m_nKeyLen);
  size_t n = std::min(key.size(), key_len);
  std::memcpy(entry, key.data(), n);
  std::memset(entry + n, ' ', key_len - n);
  index.BlockWriteRecno(record, entry);
  return index.InsertEntry(entry);
}

}  // namespace tessera
