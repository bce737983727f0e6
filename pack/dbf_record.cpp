#include "pack/dbf_record.h"

#include <cstring>

namespace tessera {

void DbfFormatText(const DbfField& field, const char* value, char* out) {
  size_t len = value ? strnlen(value, static_cast<size_t>(field.length)) : 0;
  std::memset(out, ' ', static_cast<size_t>(field.length));
  if (len) std::memcpy(out, value, len);
}

void DbfFormatNumber(DBF& table, int field, double value, char* out) {
  char text[256];
  table.DToNF(value, text, field);
  // A cut value is still written over the whole field.
  size_t len = std::strlen(text);
  const size_t length = static_cast<size_t>(table.m_pFields[field].length);
  // A field is padded with spaces, never terminated.
  std::memcpy(out, text, len);  // NOLINT(bugprone-not-null-terminated-result)
  std::memset(out + len, ' ', length - len);
}

void DbfFormatLogical(const DbfField& field, bool value, char* out) {
  std::memset(out, ' ', static_cast<size_t>(field.length));
  if (field.length > 0) out[0] = value ? 'T' : 'F';
}

DbfRecord::DbfRecord(DBF& table) : table_(table) {
  if (DbfUsable(table)) bytes_.assign(static_cast<size_t>(table.m_nRecLen), ' ');
}

int DbfRecord::Field(const char* field, const char* types) {
  if (bytes_.empty()) return -1;
  int no = table_.FieldNo(field);
  if (no < 0) {
    table_.m_pfnError("Not found field %s\n %s %ld", field ? field : "", __FILE__, (long)__LINE__);
    return -1;
  }
  if (!std::strchr(types, table_.m_pFields[no].type)) {
    // The message has room for two values: the field name and the line.
    table_.m_pfnError("Type error,not Number field!/n %s %ld", field, (long)__LINE__);
    return -1;
  }
  return no;
}

bool DbfRecord::Set(const char* field, const char* text) {
  int no = Field(field, "CD");
  if (no < 0) return false;
  const DbfField& f = table_.m_pFields[no];
  DbfFormatText(f, text, &bytes_[static_cast<size_t>(f.offset)]);
  return true;
}

bool DbfRecord::Set(const char* field, double value) {
  int no = Field(field, "NF");
  if (no < 0) return false;
  DbfFormatNumber(table_, no, value, &bytes_[static_cast<size_t>(table_.m_pFields[no].offset)]);
  return true;
}

bool DbfRecord::SetLogical(const char* field, bool value) {
  int no = Field(field, "L");
  if (no < 0) return false;
  const DbfField& f = table_.m_pFields[no];
  DbfFormatLogical(f, value, &bytes_[static_cast<size_t>(f.offset)]);
  return true;
}

bool DbfAppendRecord(DBF& table, const DbfRecord& record) {
  if (!DbfUsable(table) || record.Bytes().size() != static_cast<size_t>(table.m_nRecLen))
    return false;
  return DbfAppendBytes(table, record.Bytes().data(), 1);
}

bool DbfAppendRecords(DBF& table, const std::vector<DbfRecord>& records) {
  if (!DbfUsable(table)) return false;
  if (records.empty()) return true;
  const size_t len = static_cast<size_t>(table.m_nRecLen);
  std::string all;
  all.reserve(len * records.size());
  for (const DbfRecord& r : records) {
    if (r.Bytes().size() != len) return false;
    all += r.Bytes();
  }
  return DbfAppendBytes(table, all.data(), static_cast<long>(records.size()));
}

}  // namespace tessera
