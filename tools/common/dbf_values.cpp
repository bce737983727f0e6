#include "common/dbf_values.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/gbk_text.h"

namespace tessera::tools {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A decimal number as a person types it: no hex, no "inf", no "nan", no
// spaces, nothing after it.
bool ParseNumber(std::string_view text, double& value) {
  if (text.empty() || text.size() > 64) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' &&
        c != 'e' && c != 'E')
      return false;
  std::string s(text);
  char* end = nullptr;
  value = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(value);
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool ValidDate(std::string_view d) {
  if (d.size() != 8) return false;
  for (char c : d)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  int y = std::atoi(std::string(d.substr(0, 4)).c_str());
  int m = std::atoi(std::string(d.substr(4, 2)).c_str());
  int day = std::atoi(std::string(d.substr(6, 2)).c_str());
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || day < 1) return false;
  int most = kDays[m - 1] + (m == 2 && LeapYear(y) ? 1 : 0);
  return day <= most;
}

}  // namespace

bool WritableDbfType(char type) {
  return type == 'C' || type == 'D' || type == 'N' || type == 'F' || type == 'L';
}

std::string ParseDbfValue(const DbfField& field, std::string_view utf8, DbfValue& value) {
  const std::string name = field.name;
  value = DbfValue();
  value.type = field.type;
  switch (field.type) {
    case 'C': {
      if (!ToGbkExactly(utf8, value.text))
        return name + ": \"" + std::string(utf8) + "\" has characters GBK cannot hold";
      if (value.text.size() > static_cast<size_t>(field.length))
        return name + ": \"" + std::string(utf8) + "\" is " + std::to_string(value.text.size()) +
               " bytes; the field holds " + std::to_string(field.length);
      return "";
    }
    case 'N':
    case 'F': {
      if (!ParseNumber(utf8, value.number))
        return name + ": \"" + std::string(utf8) + "\" is not a number";
      // The text the table will store, before it is cut to the field.
      char format[32], wide[512];
      std::snprintf(format, sizeof format, "%%%d.%dlf", static_cast<int>(field.length),
                    static_cast<int>(field.decimals));
      int n = std::snprintf(wide, sizeof wide, format, value.number);
      if (n < 0 || n > field.length)
        return name + ": " + std::string(utf8) + " does not fit " + std::to_string(field.length) +
               " characters with " + std::to_string(field.decimals) + " decimals";
      return "";
    }
    case 'L': {
      std::string l = Lower(utf8);
      if (l == "t" || l == "y" || l == "true" || l == "yes" || l == "1")
        value.logical = true;
      else if (l == "f" || l == "n" || l == "false" || l == "no" || l == "0")
        value.logical = false;
      else
        return name + ": \"" + std::string(utf8) +
               "\" is not T or F (Y/N, true/false, yes/no, 1/0)";
      return "";
    }
    case 'D':
      if (!utf8.empty() && !ValidDate(utf8))
        return name + ": \"" + std::string(utf8) + "\" is not a date YYYYMMDD";
      value.text = std::string(utf8);
      return "";
    default:
      return name + ": fields of type " + std::string(1, field.type ? field.type : '?') +
             " cannot be written";
  }
}

bool ParseRecordNumber(std::string_view text, long count, long& record) {
  if (text.empty() || text.size() > 10) return false;
  long long v = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + (c - '0');
  }
  if (v >= count) return false;
  record = static_cast<long>(v);
  return true;
}

}  // namespace tessera::tools
