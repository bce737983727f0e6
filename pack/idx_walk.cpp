#include "pack/idx_walk.h"

#include <cstring>

#include "pack/dbf.h"
#include "pack/idx.h"
#include "platform/byte_order.h"

namespace tessera {

namespace {
uint32_t CurrentPointer(IDX& index) {
  const unsigned char* p =
      index.m_Node.m_Keys + (index.m_nCurKey - 1) * index.m_nEntryLen + index.m_nKeyLen;
  return Be32(p);
}
}  // namespace

bool WalkIdx(IDX& index, const std::function<bool(std::string_view, uint32_t)>& visit,
             std::string& error) {
  if (!IdxUsable(index)) {
    error = "the index did not open";
    return false;
  }
  index.Flush();
  if (index.GoTop() == -1) {
    error = "cannot reach the first leaf";
    return false;
  }
  if (index.m_Node.m_nCount == 0) {
    if (index.m_Node.m_nRight != -1) {
      error = "the first leaf is empty but has a right sibling";
      return false;
    }
    return true;
  }
  // No file of this many blocks holds more entries than this.
  const uint64_t most =
      static_cast<uint64_t>(index.m_nBlocks) * static_cast<uint64_t>(500 / index.m_nEntryLen);
  uint64_t seen = 0;
  for (;;) {
    if (++seen > most) {
      error = "the leaf chain holds more entries than the file can: it loops";
      return false;
    }
    if (!visit(std::string_view(index.m_szKey, static_cast<size_t>(index.m_nKeyLen)),
               CurrentPointer(index)))
      return true;
    if (index.Skip() == -1) {
      if (index.m_Node.m_nAttr >= 2 && index.m_Node.m_nRight == -1 &&
          index.m_nCurKey == index.m_Node.m_nCount)
        return true;
      error = "the leaf chain is broken";
      return false;
    }
  }
}

std::vector<std::string> CheckIdxAgainstTable(DBF& table, IDX& index, const char* field,
                                              size_t limit) {
  std::vector<std::string> faults;
  auto fault = [&](const std::string& text) {
    if (faults.size() < limit) faults.push_back(text);
  };
  if (!DbfUsable(table)) {
    fault("the table did not open");
    return faults;
  }
  int no = -1;
  for (int i = 0; i < table.m_nFieldCount; ++i)
    if (std::strcmp(table.m_pFields[i].name, field) == 0) no = i;
  if (no < 0) {
    fault(std::string("the table has no field ") + field);
    return faults;
  }
  const DbfField& f = table.m_pFields[no];
  if (f.length != index.m_nKeyLen)
    fault("key length " + std::to_string(index.m_nKeyLen) + " but field length " +
          std::to_string(f.length));

  long count = table.RecCount();
  std::vector<uint8_t> listed(static_cast<size_t>(count), 0);
  std::string previous;
  bool first = true;
  std::string record(static_cast<size_t>(f.length), ' ');
  std::string error;
  bool walked = WalkIdx(
      index,
      [&](std::string_view key, uint32_t pointer) {
        std::string k(key);
        if (!first && k < previous)
          fault("key \"" + k + "\" after \"" + previous + "\": out of order");
        first = false;
        previous = k;
        if (pointer < 1 || pointer > static_cast<uint64_t>(count)) {
          fault("key \"" + k + "\" points at record " + std::to_string(pointer) + " of " +
                std::to_string(count));
          return true;
        }
        if (listed[pointer - 1]++) fault("record " + std::to_string(pointer) + " is listed twice");
        long n = table.m_fp.ReadAt(
            table.m_nHeaderLen + static_cast<int64_t>(pointer - 1) * table.m_nRecLen + f.offset,
            &record[0], record.size());
        std::string want = n == static_cast<long>(record.size()) ? record : std::string();
        want.resize(static_cast<size_t>(index.m_nKeyLen), ' ');
        if (want != k)
          fault("record " + std::to_string(pointer) + " holds \"" + want + "\" but its key is \"" +
                k + "\"");
        return faults.size() < limit;
      },
      error);
  if (!walked) {
    fault(error);
    return faults;
  }
  for (long r = 0; r < count && faults.size() < limit; ++r)
    if (!listed[static_cast<size_t>(r)])
      fault("record " + std::to_string(r + 1) + " is not in the index");
  return faults;
}

}  // namespace tessera
