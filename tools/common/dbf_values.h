// Values typed on the command line checked against the field they go into,
// for tessera-dbf: nothing is stored that the field would change, cut or
// misread.
#ifndef TESSERA_TOOLS_COMMON_DBF_VALUES_H
#define TESSERA_TOOLS_COMMON_DBF_VALUES_H

#include <string>
#include <string_view>

#include "pack/dbf_field.h"

namespace tessera::tools {

// A value ready for DBF::Write, of the form the field's type takes.
struct DbfValue {
  char type = 0;      // 'C', 'D', 'N', 'F' or 'L'
  std::string text;   // 'C' (GBK) and 'D'
  double number = 0;  // 'N', 'F'
  bool logical = false;
};

// Checks `utf8` for `field` and converts it.  Empty string when good, else
// why not:
//  'C'  text GBK can hold, at most the field's length in GBK bytes;
//  'N'  a decimal number (sign, digits, point, exponent; nothing after
//  'F'  it) whose formatted text fits the field: 1e300 does not fit ten
//       characters and is refused rather than cut; digits past the field's
//       decimals are rounded;
//  'L'  T/F, Y/N, true/false, yes/no, 1/0 in any case;
//  'D'  YYYYMMDD of a real day, or empty;
// any other type (memo, binary, ...) cannot be written.
std::string ParseDbfValue(const DbfField& field, std::string_view utf8, DbfValue& value);

// Whether `type` is one the table can write ('C', 'D', 'N', 'F', 'L').
bool WritableDbfType(char type);

// A record number: decimal digits only, below `count`.
bool ParseRecordNumber(std::string_view text, long count, long& record);

}  // namespace tessera::tools

#endif
