#include "pack/dbf_create.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "platform/path.h"

namespace tessera {

DbfField MakeDbfField(std::string_view name, char type, int length, int decimals) {
  DbfField f;
  size_t n = std::min(name.size(), sizeof f.name - 1);
  std::memcpy(f.name, name.data(), n);
  f.type = type;
  f.length = length;
  f.decimals = decimals;
  return f;
}

std::string CheckDbfField(const DbfField& f) {
  size_t n = strnlen(f.name, sizeof f.name);
  if (n == 0 || n > 10) return "field names are 1 to 10 characters";
  for (size_t i = 0; i < n; ++i)
    if (f.name[i] == ' ' || static_cast<unsigned char>(f.name[i]) < 0x21)
      return std::string("bad character in field name ") + f.name;
  std::string name = f.name;
  switch (f.type) {
    case 'C':
      if (f.length < 1 || f.length > 254)
        return "character field " + name + " needs a length of 1 to 254";
      if (f.decimals != 0) return "character field " + name + " has no decimals";
      return "";
    case 'D':
      if (f.length != 8 || f.decimals != 0) return "date field " + name + " is 8 characters";
      return "";
    case 'L':
      if (f.length != 1 || f.decimals != 0) return "logical field " + name + " is 1 character";
      return "";
    case 'N':
    case 'F':
      if (f.length < 1 || f.length > 20)
        return "number field " + name + " needs a length of 1 to 20";
      if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2))
        return "number field " + name + " has too many decimals";
      return "";
    default:
      return "field " + name + " has an unknown type";
  }
}

namespace {
std::vector<std::string> Split(std::string_view text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(sep, start);
    parts.emplace_back(
        text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

bool ParseNumber(const std::string& text, int& value) {
  if (text.empty() || text.size() > 4) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}
}  // namespace

bool ParseDbfFields(std::string_view list, std::vector<DbfField>& fields, std::string& error) {
  fields.clear();
  for (const std::string& item : Split(list, ',')) {
    std::vector<std::string> p = Split(item, ':');
    if (p.size() < 2 || p.size() > 4 || p[1].size() != 1) {
      error = "bad field \"" + item + "\" (want NAME:TYPE[:LENGTH[:DECIMALS]])";
      return false;
    }
    char type = p[1][0];
    int length = type == 'D' ? 8 : type == 'L' ? 1 : 0;
    int decimals = 0;
    if ((p.size() >= 3 && !ParseNumber(p[2], length)) ||
        (p.size() == 4 && !ParseNumber(p[3], decimals))) {
      error = "bad number in field \"" + item + "\"";
      return false;
    }
    if (p[0].size() > 10) {
      error = "field name " + p[0] + " is longer than 10 characters";
      return false;
    }
    fields.push_back(MakeDbfField(p[0], type, length, decimals));
  }
  return true;
}

bool CreateDbf(std::string_view path, const std::vector<DbfField>& fields, std::string& error) {
  if (fields.empty()) {
    error = "a table needs at least one field";
    return false;
  }
  if (fields.size() > 254) {
    error = "too many fields";
    return false;
  }
  std::set<std::string> names;
  int record_len = 1;
  for (const DbfField& f : fields) {
    error = CheckDbfField(f);
    if (!error.empty()) return false;
    if (!names.insert(f.name).second) {
      error = std::string("field ") + f.name + " appears twice";
      return false;
    }
    record_len += f.length;
  }
  if (record_len > 65535) {
    error = "records longer than 65,535 bytes";
    return false;
  }
  int header_len = 32 + 32 * static_cast<int>(fields.size()) + 1;

  std::string bytes(static_cast<size_t>(header_len) + 1, '\0');
  std::time_t now = std::time(nullptr);
  std::tm day;
  localtime_r(&now, &day);
  bytes[0] = 0x03;
  bytes[1] = static_cast<char>(day.tm_year % 256);
  bytes[2] = static_cast<char>(day.tm_mon + 1);
  bytes[3] = static_cast<char>(day.tm_mday);
  bytes[8] = static_cast<char>(header_len & 0xFF);
  bytes[9] = static_cast<char>(header_len >> 8);
  bytes[10] = static_cast<char>(record_len & 0xFF);
  bytes[11] = static_cast<char>(record_len >> 8);
  bytes[29] = static_cast<char>(kDbfCodePageGbk);
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = &bytes[32 + 32 * i];
    std::memcpy(d, fields[i].name, strnlen(fields[i].name, 10));
    d[11] = fields[i].type;
    d[16] = static_cast<char>(fields[i].length);
    d[17] = static_cast<char>(fields[i].decimals);
  }
  bytes[static_cast<size_t>(header_len) - 1] = 0x0D;
  bytes[static_cast<size_t>(header_len)] = 0x1A;

  std::FILE* file = OpenFile(path, "wb");
  if (!file) {
    error = "cannot create " + std::string(path);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) error = "cannot write " + std::string(path);
  return ok;
}

}  // namespace tessera
