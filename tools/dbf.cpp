// tessera-dbf: create, fill, dump and check dBase tables and their index
// files.
#include "pack/dbf.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/dbf_values.h"
#include "common/tool_common.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_create.h"
#include "pack/idx_walk.h"

namespace {

const char kProgram[] = "tessera-dbf";

const char kHelp[] =
    "usage: tessera-dbf COMMAND ARGS\n"
    "\n"
    "  create TABLE FIELDS [--force] new empty table; FIELDS is a list like\n"
    "                                ID:C:10,PRICE:N:10:2,DONE:L,DAY:D\n"
    "                                (types C, D, N, F, L; D and L need no length);\n"
    "                                an existing TABLE is replaced only with --force\n"
    "  append TABLE NAME=VALUE...    append one record and set its fields; every\n"
    "                                value is checked against its field first (C\n"
    "                                text that fits, N/F a number that fits, L T/F,\n"
    "                                D YYYYMMDD) and nothing is added when one fails\n"
    "  delete TABLE RECORD           mark record RECORD (from 0) deleted\n"
    "  dump TABLE                    the header, the fields and every record;\n"
    "                                deleted records are marked '*', fields the\n"
    "                                engine reads raw and cannot write (memo,\n"
    "                                binary, ...) are marked 'raw', and their\n"
    "                                bytes outside printable ASCII shown as \\xNN\n"
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

int Usage(const std::string& message) {
  return tessera::tools::UsageError(kProgram, kUsage, message);
}

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
// Commands that change the table open it exclusively, so that no game
// writes it meanwhile; commands that only read it (dump, check) share it, so
// that they work while a game has it open.
enum class Access { kShared = 0, kExclusive = 1 };

std::unique_ptr<DBF> OpenTable(const std::string& path, Access access = Access::kExclusive) {
  auto table = std::make_unique<DBF>(path.c_str(), static_cast<int>(access));
  if (!tessera::DbfUsable(*table)) return nullptr;
  table->m_pfnError = ReportToStderr;
  return table;
}

int Create(std::vector<std::string> a) {
  bool force = false;
  for (size_t i = 1; i < a.size();) {
    if (a[i] == "--force") {
      force = true;
      a.erase(a.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
  if (a.size() != 3) return Usage("create needs TABLE FIELDS");
  std::error_code ec;
  if (std::filesystem::exists(a[1], ec) && !force)
    return tessera::tools::Fail(kProgram, a[1] + " exists; use --force to replace it");
  if (std::filesystem::is_directory(a[1], ec))
    return tessera::tools::Fail(kProgram, a[1] + " is a folder");
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
  std::vector<std::pair<std::string, tessera::tools::DbfValue>> values;
  for (size_t i = 2; i < a.size(); ++i) {
    size_t eq = a[i].find('=');
    if (eq == std::string::npos) return tessera::tools::Fail(kProgram, "bad assignment " + a[i]);
    std::string name = a[i].substr(0, eq);
    // The table writes into the first field of the name.
    const tessera::DbfField* field = nullptr;
    for (int f = 0; f < table->m_nFieldCount && !field; ++f)
      if (name == table->m_pFields[f].name) field = &table->m_pFields[f];
    if (!field) return tessera::tools::Fail(kProgram, "no field " + name);
    tessera::tools::DbfValue value;
    std::string why = tessera::tools::ParseDbfValue(*field, a[i].substr(eq + 1), value);
    if (!why.empty()) return tessera::tools::Fail(kProgram, why);
    values.emplace_back(name, value);
  }
  // The record and its values as one step for other writers.
  tessera::DbfAppendGuard guard(*table);
  if (!tessera::DbfAppendBlank(*table)) return 1;
  for (const auto& [name, value] : values) {
    bool ok;
    if (value.type == 'N' || value.type == 'F')
      ok = table->Write(name.c_str(), value.number);
    else if (value.type == 'L')
      ok = table->Write(name.c_str(), static_cast<int>(value.logical));
    else
      ok = table->Write(name.c_str(), value.text.c_str());
    if (!ok) {
      // A record half-filled is not left as if it were whole.
      tessera::DbfSetDeleted(*table, true);
      return tessera::tools::Fail(kProgram, "record " + std::to_string(table->RecNo()) +
                                                " could not be filled and is marked deleted");
    }
  }
  std::printf("%ld\n", table->RecNo());
  return 0;
}

int Delete(const std::vector<std::string>& a) {
  if (a.size() != 3) return Usage("delete needs TABLE RECORD");
  auto table = OpenTable(a[1]);
  if (!table) return 1;
  long record = 0;
  if (!tessera::tools::ParseRecordNumber(a[2], table->RecCount(), record))
    return tessera::tools::Fail(kProgram, "no record " + a[2] + " (records are 0 to " +
                                              std::to_string(table->RecCount() - 1) + ")");
  table->m_nRecNo = record;
  if (!tessera::DbfSetDeleted(*table, true)) return 1;
  return 0;
}

int Dump(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("dump needs TABLE");
  auto table = OpenTable(a[1], Access::kShared);
  if (!table) return 1;
  long count = table->RecCount();
  std::printf("records %ld, header %d bytes, record %d bytes, %d fields\n", count,
              table->m_nHeaderLen, table->m_nRecLen, table->m_nFieldCount);
  for (int f = 0; f < table->m_nFieldCount; ++f) {
    const tessera::DbfField& d = table->m_pFields[f];
    bool raw = !tessera::tools::WritableDbfType(d.type);
    std::printf("  %-10s %c %3d %2d%s\n", d.name, d.type >= 0x20 && d.type < 0x7F ? d.type : '?',
                static_cast<int>(d.length), static_cast<int>(d.decimals), raw ? " raw" : "");
  }
  std::vector<char> text(256);
  for (table->m_nRecNo = 0; table->m_nRecNo < count; ++table->m_nRecNo) {
    std::printf("%6ld %c", table->m_nRecNo, tessera::DbfDeleted(*table) ? '*' : ' ');
    for (int f = 0; f < table->m_nFieldCount; ++f) {
      const tessera::DbfField& d = table->m_pFields[f];
      if (tessera::tools::WritableDbfType(d.type)) {
        table->Read(text.data(), d.name);
        std::printf("|%s", text.data());
        continue;
      }
      // Raw fields: the bytes exactly as stored (binary ones included, a
      // line feed does not end them), the unprintable ones escaped.
      std::fill(text.begin(), text.end(), 0);
      table->m_fp.ReadAt(
          table->m_nHeaderLen + static_cast<int64_t>(table->m_nRecNo) * table->m_nRecLen + d.offset,
          text.data(), static_cast<size_t>(d.length));
      std::printf("|");
      for (int k = 0; k < d.length; ++k) {
        unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(k)]);
        if (c >= 0x20 && c < 0x7F && c != '\\')
          std::putchar(c);
        else
          std::printf("\\x%02X", c);
      }
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
  if (!tessera::RebuildIdx(*table, a[3], a[2].c_str(), error))
    return tessera::tools::Fail(kProgram, error);
  std::printf("%ld keys\n", table->RecCount());
  return 0;
}

int Keys(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("keys needs INDEX");
  IDX index(a[1].c_str(), 0);
  if (!tessera::IdxUsable(index)) return 1;
  index.m_pfnError = ReportToStderr;
  std::string error;
  bool ok = tessera::WalkIdx(
      index,
      [](std::string_view key, uint32_t pointer) {
        std::printf("%.*s\t%ld\n", static_cast<int>(key.size()), key.data(),
                    static_cast<long>(pointer) - 1);
        return true;
      },
      error);
  if (!ok) return tessera::tools::Fail(kProgram, error);
  return 0;
}

int Check(const std::vector<std::string>& a) {
  if (a.size() != 4) return Usage("check needs TABLE FIELD INDEX");
  auto table = OpenTable(a[1], Access::kShared);
  if (!table) return 1;
  IDX index(a[3].c_str(), 0);
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
