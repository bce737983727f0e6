#include "pack/idx_create.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

namespace {

constexpr size_t kBlock = 512;

void PutLe32(std::string& file, size_t at, int64_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) file[at + static_cast<size_t>(i)] = static_cast<char>(u >> (8 * i));
}
void PutBe32(std::string& file, size_t at, uint32_t u) {
  for (int i = 0; i < 4; ++i)
    file[at + static_cast<size_t>(i)] = static_cast<char>(u >> (24 - 8 * i));
}

// One entry of a level under construction: the greatest key under it and
// its pointer (a record number for leaves, a node's offset above).
struct Entry {
  const char* key;
  uint32_t pointer;
};

}  // namespace

// The index is built bottom-up from the sorted keys instead of by one
// insertion per record: the leaves are written left to right, full, then
// each level of index nodes above them, full, up to a single root -- one
// pass and one write of the whole file.  Full nodes make the smallest,
// shallowest tree, which suits an index that is mostly read (a pack's
// names); later inserts split nodes as they need.  Equal keys stand in
// record order.
bool RebuildIdx(DBF& table, std::string_view path, const char* field, std::string& error) {
  if (!DbfUsable(table)) {
    error = "the table did not open";
    return false;
  }
  int no = -1;
  for (int i = 0; field && i < table.m_nFieldCount; ++i)
    if (std::string(table.m_pFields[i].name) == field) no = i;
  if (no < 0) {
    error = std::string("no field ") + (field ? field : "");
    return false;
  }
  const int key_len = table.m_pFields[no].length;
  if (key_len < 1 || key_len > kIdxMaxKeyLen) {
    error = "index keys are 1 to 31 bytes long";
    return false;
  }
  const size_t klen = static_cast<size_t>(key_len);
  const size_t rec_len = static_cast<size_t>(table.m_nRecLen);
  const size_t field_at = static_cast<size_t>(table.m_pFields[no].offset);

  // Every record's key, read a run of records at a time.
  const long count = table.RecCount();
  std::string keys(static_cast<size_t>(count) * klen, ' ');
  {
    const long per_run = std::max<long>(1, static_cast<long>(65536 / rec_len));
    std::string run;
    for (long first = 0; first < count; first += per_run) {
      long n = std::min(per_run, count - first);
      run.resize(static_cast<size_t>(n) * rec_len);
      long got = table.m_fp.ReadAt(
          table.m_nHeaderLen + static_cast<int64_t>(first) * table.m_nRecLen, &run[0], run.size());
      if (got != static_cast<long>(run.size())) {
        error = "cannot read the table";
        return false;
      }
      for (long r = 0; r < n; ++r)
        std::memcpy(&keys[static_cast<size_t>(first + r) * klen],
                    &run[static_cast<size_t>(r) * rec_len + field_at], klen);
    }
  }
  std::vector<Entry> level(static_cast<size_t>(count));
  for (long r = 0; r < count; ++r)
    level[static_cast<size_t>(r)] = {&keys[static_cast<size_t>(r) * klen],
                                     static_cast<uint32_t>(r + 1)};
  std::stable_sort(level.begin(), level.end(), [klen](const Entry& a, const Entry& b) {
    return std::memcmp(a.key, b.key, klen) < 0;
  });

  const size_t per_node = 500 / (klen + 4);
  std::string file(kBlock, '\0');
  file[12] = static_cast<char>(key_len);
  bool leaves = true;
  for (;;) {
    // One level: full nodes, left to right, chained both ways.
    const size_t nodes = std::max<size_t>(1, (level.size() + per_node - 1) / per_node);
    const size_t base = file.size();
    file.resize(base + nodes * kBlock, '\0');
    std::vector<Entry> above;
    for (size_t i = 0; i < nodes; ++i) {
      const size_t at = base + i * kBlock;
      const size_t first = i * per_node;
      const size_t n = std::min(per_node, level.size() - std::min(level.size(), first));
      const bool root = nodes == 1;
      file[at] = static_cast<char>((leaves ? 2 : 0) | (root ? 1 : 0));
      file[at + 2] = static_cast<char>(n);
      PutLe32(file, at + 4, i == 0 ? -1 : static_cast<int64_t>(at - kBlock));
      PutLe32(file, at + 8, i + 1 == nodes ? -1 : static_cast<int64_t>(at + kBlock));
      for (size_t e = 0; e < n; ++e) {
        const size_t to = at + 12 + e * (klen + 4);
        std::memcpy(&file[to], level[first + e].key, klen);
        PutBe32(file, to + klen, level[first + e].pointer);
      }
      if (n) above.push_back({level[first + n - 1].key, static_cast<uint32_t>(at)});
    }
    if (nodes == 1) {
      PutLe32(file, 0, static_cast<int64_t>(base));
      break;
    }
    level.swap(above);
    leaves = false;
  }
  PutLe32(file, 8, static_cast<int64_t>(file.size()));
  if (file.size() > 0x7FFFFFFFu) {
    error = "the index would pass 2 GiB";
    return false;
  }

  std::string name(path);
  std::FILE* out = OpenFile(path, "wb");
  if (!out) {
    error = "cannot create " + name;
    return false;
  }
  bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) error = "cannot write the index " + name;
  return ok;
}

}  // namespace tessera
