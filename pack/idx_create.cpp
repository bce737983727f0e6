#include "pack/idx_create.h"

#include <cstdio>
#include <string>

#include "pack/dbf.h"
#include "pack/idx.h"
#include "platform/path.h"

namespace tessera {

bool CreateIdx(std::string_view path, int key_length, std::string& error) {
  if (key_length < 1 || key_length > kIdxMaxKeyLen) {
    error = "index keys are 1 to 31 bytes long";
    return false;
  }
  // Header: root at 512, next node at 1024, the key length.  Then the root
  // leaf (attributes 3), empty, without siblings.
  unsigned char bytes[1024] = {};
  bytes[1] = 0x02;
  bytes[9] = 0x04;
  bytes[12] = static_cast<unsigned char>(key_length);
  bytes[512] = 3;
  for (int i = 516; i < 524; ++i) bytes[i] = 0xFF;
  std::FILE* file = OpenFile(path, "wb");
  if (!file) {
    error = "cannot create " + std::string(path);
    return false;
  }
  bool ok = std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) error = "cannot write " + std::string(path);
  return ok;
}

bool RebuildIdx(DBF& table, std::string_view path, const char* field, std::string& error) {
  if (!DbfUsable(table)) {
    error = "the table did not open";
    return false;
  }
  int no = -1;
  for (int i = 0; i < table.m_nFieldCount; ++i)
    if (std::string(table.m_pFields[i].name) == field) no = i;
  if (no < 0) {
    error = std::string("no field ") + field;
    return false;
  }
  if (!CreateIdx(path, table.m_pFields[no].length, error)) return false;
  std::string name(path);
  IDX index(name.c_str(), 1);
  if (!IdxUsable(index)) {
    error = "cannot open the new index " + name;
    return false;
  }
  IDX* before = table.m_pIdx;
  long current = table.m_nRecNo;
  bool ok = table.SetOrderTo(&index, field);
  long count = table.RecCount();
  for (long r = 0; ok && r < count; ++r) {
    table.m_nRecNo = r;
    ok = table.IdxInsert();
  }
  table.m_pIdx = before;
  table.m_nRecNo = current;
  index.m_pDbf = nullptr;
  if (!ok) error = "cannot write the index " + name;
  return ok;
}

}  // namespace tessera
