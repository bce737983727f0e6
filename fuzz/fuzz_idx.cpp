// Fuzz target for the index reader: open any bytes as an index, walk it
// both ways, seek, insert, and check it against a small table.  Damaged
// files (impossible key lengths or counts, looping sibling chains, pointers
// outside the file) must end every walk; nothing may crash or hang.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "pack/dbf.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_walk.h"
#include "testing/headless_controls.h"

namespace {
int Quiet(const char*, ...) { return 0; }

// A table of a few records with a ten-character key, made once.
const std::string& TablePath() {
  static const std::string path = [] {
    std::string p = tessera::fuzz::ScratchPath(".idx") + ".dbf";
    std::vector<tessera::DbfField> fields = {tessera::MakeDbfField("ID", 'C', 10)};
    std::string error;
    tessera::CreateDbf(p, fields, error);
    DBF t(p.c_str(), 1);
    const char* ids[] = {"alpha", "beta", "gamma", "delta"};
    for (const char* id : ids) {
      t.AppendBlank();
      t.Write("ID", id);
    }
    return p;
  }();
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& table_path = TablePath();
  const std::string& path = tessera::fuzz::ScratchPath(".idx");
  if (!tessera::fuzz::WriteScratch(path, data, size)) return 0;
  {
    IDX index(path.c_str(), 1);
    index.m_pfnError = Quiet;
    if (tessera::IdxUsable(index)) {
      std::string error;
      long n = 0;
      tessera::WalkIdx(
          index, [&](std::string_view, uint32_t) { return ++n < 5000; }, error);
      index.GoTop();
      for (int i = 0; i < 100 && index.Skip() != -1; ++i) {
      }
      for (int i = 0; i < 100 && index.RevSkip() != -1; ++i) {
      }
      index.GoBottom();
      index.RevSkip();
      index.Seek("");
      index.Seek("a");
      index.Seek("zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz");
      DBF table(table_path.c_str(), 0);
      table.m_pfnError = Quiet;
      if (table.SetOrderTo(&index, "ID")) {
        table.GoTop();
        table.Skip(2);
        table.Seek("be");
        tessera::CheckIdxAgainstTable(table, index, "ID");
        index.Insert(3, "omega");
      }
      tessera::IdxInsertKey(index, 1, "kappa");
      tessera::IdxInsertKey(index, 2, "");
      tessera::WalkIdx(
          index, [](std::string_view, uint32_t) { return true; }, error);
    }
  }
  tessera::ClearHeadlessMessages();
  return 0;
}
