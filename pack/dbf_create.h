// Creating a new, empty dBase III table.
//
// The file opens in any standard dBase reader: version byte 0x03, today's
// date, no records, header length 32 + 32 per field + 1 (the 0x0D
// terminator), the record length the fields add up to plus the deletion
// flag, the code-page byte 0x7A (GBK, code page 936), and the end-of-file
// byte 0x1A after the header.
#ifndef TESSERA_PACK_DBF_CREATE_H
#define TESSERA_PACK_DBF_CREATE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>
#include <string_view>
#include <vector>

#include "pack/dbf_field.h"

namespace tessera {

// The code-page mark of a table whose texts are GBK.
constexpr unsigned char kDbfCodePageGbk = 0x7A;

// A field of a table to be created; offsets are worked out.
DbfField MakeDbfField(std::string_view name, char type, int length, int decimals = 0);

// Checks one field: a name of 1 to 10 characters without blanks, type C, D,
// N, F or L, a length that suits the type ('D' 8, 'L' 1, 'C' up to 254,
// 'N'/'F' up to 20 with fewer decimals than length).  Empty string when
// good, else why not.
std::string CheckDbfField(const DbfField& field);

// Parses a field list "NAME:C:10,PRICE:N:10:2,DONE:L" ('D' and 'L' need no
// length).  False, with the reason in `error`, for a bad list.
bool ParseDbfFields(std::string_view list, std::vector<DbfField>& fields, std::string& error);

// Writes the new table at `path` (an engine path), replacing any file
// there.  False, with the reason in `error`, for bad fields or a file that
// cannot be written.
bool CreateDbf(std::string_view path, const std::vector<DbfField>& fields, std::string& error);

}  // namespace tessera

#pragma GCC visibility pop
#endif
