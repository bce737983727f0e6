// tessera-dbf: create, fill, dump and check dBase tables and their index
// files.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/tool_common.h"
#include "pack/dbf.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_create.h"
#include "pack/idx_walk.h"

namespace {

const char kProgram[] = "tessera-dbf";

const char kHelp[] =
    "usage: tessera-dbf COMMAND ARGS\n"
    "\n"
    "  create TABLE FIELDS           new empty table; FIELDS is a list like\n"
    "                                ID:C:10,PRICE:N:10:2,DONE:L,DAY:D\n"
    "                                (types C, D, N, F, L; D and L need no length)\n"
    "  append TABLE NAME=VALUE...    append one record and set its fields\n"
    "  delete TABLE RECORD           mark record RECORD (from 0) deleted\n"
    "  dump TABLE                    the header, the fields and every record;\n"
    "                                deleted records are marked '*'\n"
    "  index TABLE FIELD INDEX       create INDEX keyed on FIELD from the table\n"
    "  rebuild TABLE FIELD INDEX     the same, replacing an existing index\n"
    "  keys INDEX                    every key in key order with its record (from 0)\n"
    "  check TABLE FIELD INDEX       compare the index with the table\n"
    "\n"
    "  --help, --version\n"
    "\n"
    "Exit status 0 on success, 1 on an error or a failed check, 2 on a usage\n"
    "error.\n";

const char kUsage[] = "usage: tessera-dbf COMMAND ARGS   (tessera-dbf --help lists the commands)\n";

int Usage(const std::string& message) { return tessera::tools::UsageError(kProgram, kUsage, message); }

// Messages of the table and index objects go to stderr, not to a box.
int ReportToStderr(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::fprintf(stderr, "%s: ", kProgram);
  int n = std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  return n;
}

// Opens a table quietly; null (with a message) when it does not open.
std::unique_ptr<DBF> OpenTable(const std::string& path) {
  auto table = std::make_unique<DBF>(path.c_str(), 1);
  if (!tessera::DbfUsable(*table)) return nullptr;
  table->m_pfnError = ReportToStderr;
  return table;
}

int Create(const std::vector<std::string>& a) {
  if (a.size() != 3) return Usage("create needs TABLE FIELDS");
  std::vector<tessera::DbfField> fields;
  std::string error;
  if (!tessera::ParseDbfFields(a[2], fields, error) || !tessera::CreateDbf(a[1], fields, error))
    return tessera::tools::Fail(kProgram, error);
  return 0;
}

int Append(const std::vector<std::string>& a) {
  if (a.size() < 2) return Usage("append needs TABLE NAME=VALUE...");
  auto table = OpenTable(a[1]);
  if (!table) return 1;
  // Check every assignment before the record is added.
  std::vector<std::pair<std::string, std::string>> values;
  for (size_t i = 2; i < a.size(); ++i) {
    size_t eq = a[i].find('=');
    if (eq == std::string::npos) return tessera::tools::Fail(kProgram, "bad assignment " + a[i]);
    std::string name = a[i].substr(0, eq);
    bool known = false;
    for (int f = 0; f < table->m_nFieldCount; ++f) known |= name == table->m_pFields[f].name;
    if (!known) return tessera::tools::Fail(kProgram, "no field " + name);
    values.emplace_back(name, a[i].substr(eq + 1));
  }
  table->AppendBlank();
  for (const auto& [name, value] : values) {
    // The table writes into the first field of the name: take its type.
    char type = 0;
    for (int f = 0; f < table->m_nFieldCount && !type; ++f)
      if (name == table->m_pFields[f].name) type = table->m_pFields[f].type ? table->m_pFields[f].type : '?';
    bool ok;
    if (type == 'N' || type == 'F')
      ok = table->Write(name.c_str(), std::atof(value.c_str()));
    else if (type == 'L')
      ok = table->Write(name.c_str(), static_cast<int>(value == "T" || value == "t" || value == "1"));
    else
      ok = table->Write(name.c_str(), value.c_str());
    if (!ok) return 1;
  }
  std::printf("%ld\n", table->RecNo());
  return 0;
}

int Delete(const std::vector<std::string>& a) {
  if (a.size() != 3) return Usage("delete needs TABLE RECORD");
  auto table = OpenTable(a[1]);
  if (!table) return 1;
  table->m_nRecNo = std::atol(a[2].c_str());
  if (!tessera::DbfSetDeleted(*table, true)) return tessera::tools::Fail(kProgram, "no record " + a[2]);
  return 0;
}

int Dump(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("dump needs TABLE");
  auto table = OpenTable(a[1]);
  if (!table) return 1;
  long count = table->RecCount();
  std::printf("records %ld, header %d bytes, record %d bytes, %d fields\n", count, table->m_nHeaderLen,
              table->m_nRecLen, table->m_nFieldCount);
  for (int f = 0; f < table->m_nFieldCount; ++f) {
    const tessera::DbfField& d = table->m_pFields[f];
    std::printf("  %-10s %c %3d %2d\n", d.name, d.type, static_cast<int>(d.length), static_cast<int>(d.decimals));
  }
  std::vector<char> text(256);
  for (table->m_nRecNo = 0; table->m_nRecNo < count; ++table->m_nRecNo) {
    std::printf("%6ld %c", table->m_nRecNo, tessera::DbfDeleted(*table) ? '*' : ' ');
    for (int f = 0; f < table->m_nFieldCount; ++f) {
      table->Read(text.data(), table->m_pFields[f].name);
      std::printf("|%s", text.data());
    }
    std::printf("|\n");
  }
  return 0;
}

int Index(const std::vector<std::string>& a, bool replace) {
  if (a.size() != 4) return Usage(std::string(a[0]) + " needs TABLE FIELD INDEX");
  if (!replace) {
    if (std::FILE* existing = std::fopen(a[3].c_str(), "rb")) {
      std::fclose(existing);
      return tessera::tools::Fail(kProgram, a[3] + " exists; use rebuild to replace it");
    }
  }
  auto table = OpenTable(a[1]);
  if (!table) return 1;
  std::string error;
  if (!tessera::RebuildIdx(*table, a[3], a[2].c_str(), error)) return tessera::tools::Fail(kProgram, error);
  std::printf("%ld keys\n", table->RecCount());
  return 0;
}

int Keys(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("keys needs INDEX");
  IDX index(a[1].c_str(), 1);
  if (!tessera::IdxUsable(index)) return 1;
  index.m_pfnError = ReportToStderr;
  std::string error;
  bool ok = tessera::WalkIdx(
      index,
      [](std::string_view key, uint32_t pointer) {
        std::printf("%.*s\t%ld\n", static_cast<int>(key.size()), key.data(), static_cast<long>(pointer) - 1);
        return true;
      },
      error);
  if (!ok) return tessera::tools::Fail(kProgram, error);
  return 0;
}

int Check(const std::vector<std::string>& a) {
  if (a.size() != 4) return Usage("check needs TABLE FIELD INDEX");
  auto table = OpenTable(a[1]);
  if (!table) return 1;
  IDX index(a[3].c_str(), 1);
  if (!tessera::IdxUsable(index)) return 1;
  index.m_pfnError = ReportToStderr;
  std::vector<std::string> faults = tessera::CheckIdxAgainstTable(*table, index, a[2].c_str());
  for (const std::string& f : faults) std::printf("%s\n", f.c_str());
  if (!faults.empty()) return 1;
  std::printf("ok: %ld records, each once, in key order\n", table->RecCount());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a = tessera::tools::Args(argc, argv);
  if (int rc = tessera::tools::HelpOrVersion(a, kProgram, kHelp); rc >= 0) return rc;
  if (a.empty()) return Usage("no command");
  tessera::tools::UseToolMessages(kProgram);
  const std::string& command = a[0];
  if (command == "create") return Create(a);
  if (command == "append") return Append(a);
  if (command == "delete") return Delete(a);
  if (command == "dump") return Dump(a);
  if (command == "index") return Index(a, false);
  if (command == "rebuild") return Index(a, true);
  if (command == "keys") return Keys(a);
  if (command == "check") return Check(a);
  return Usage("unknown command " + command);
}
