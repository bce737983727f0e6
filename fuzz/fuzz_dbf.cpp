// Fuzz target for the dBase table reader: open any bytes as a table, read
// every field of every record in every typed form, navigate, search and
// append.  Damaged headers must be refused and nothing may read or write
// outside its buffers.
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_file.h"
#include "pack/dbf.h"
#include "pack/dbf_record.h"
#include "testing/headless_controls.h"

namespace {
int Quiet(const char*, ...) { return 0; }

// Locate and Write take their value in the type of the field the name
// finds, which is the first of that name: later namesakes are left out.
bool FirstOfItsName(const DBF& table, int f) {
  for (int i = 0; i < f; ++i)
    if (std::strcmp(table.m_pFields[i].name, table.m_pFields[f].name) == 0) return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = tessera::fuzz::ScratchPath(".dbf");
  if (!tessera::fuzz::WriteScratch(path, data, size)) return 0;
  {
    DBF table(path.c_str(), 1);
    table.m_pfnError = Quiet;
    if (tessera::DbfUsable(table)) {
      long count = table.RecCount();
      if (count > 200) count = 200;
      char text[256];
      for (table.m_nRecNo = 0; table.m_nRecNo < count; ++table.m_nRecNo) {
        tessera::DbfDeleted(table);
        for (int f = 0; f < table.m_nFieldCount; ++f) {
          const char* name = table.m_pFields[f].name;
          double d;
          long l;
          bool b;
          table.Read(text, name);
          table.Read(d, name);
          table.Read(l, name);
          table.Read(b, name);
        }
      }
      table.GoTop();
      table.Skip(3);
      table.GoBottom();
      table.Skip(-2);
      for (int f = 0; f < table.m_nFieldCount && f < 4; ++f) {
        if (!FirstOfItsName(table, f)) continue;
        const char* name = table.m_pFields[f].name;
        table.m_nRecNo = 0;
        table.DeleteOn();
        switch (table.m_pFields[f].type) {
          case 'N':
          case 'F':
            table.Locate(name, 1, 1.0);
            break;
          case 'L':
            table.Locate(name, 1, 1);
            break;
          default:
            table.Locate(name, 1, "A");
            table.Locate(name, -1, "");
        }
      }
      table.AppendBlank();
      for (int f = 0; f < table.m_nFieldCount && f < 4; ++f) {
        if (!FirstOfItsName(table, f)) continue;
        const char* name = table.m_pFields[f].name;
        char type = table.m_pFields[f].type;
        if (type == 'N' || type == 'F')
          table.Write(name, 12.5);
        else if (type == 'L')
          table.Write(name, 1);
        else
          table.Write(name, "fuzz");
        table.Read(text, name);
      }
      table.LockRecord();
      table.UnLockRecord();
      // The same fields filled in memory and appended whole, alone and in
      // a batch, through whatever header the input gives.
      tessera::DbfRecord record(table);
      for (int f = 0; f < table.m_nFieldCount && f < 4; ++f) {
        const char* name = table.m_pFields[f].name;
        record.Set(name, "fuzz");
        record.Set(name, 12.5);
        record.SetLogical(name, true);
      }
      tessera::DbfAppendRecord(table, record);
      tessera::DbfAppendRecords(table, {record, record});
    }
  }
  tessera::ClearHeadlessMessages();
  return 0;
}
