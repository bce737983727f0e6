// A table record built in memory, and appending it -- or many -- in one
// locked step.
//
// AppendBlank followed by one Write per field costs a write per field, and
// other processes may see the record blank between them (unless the
// caller holds a DbfAppendGuard across all of them).  A DbfRecord is filled
// first, with the same text forms Write uses, then appended whole: one
// write of the record, one of the count, under one lock.  The file ends up
// byte for byte as AppendBlank + Write would leave it.
//
//   tessera::DbfRecord r(table);
//   r.Set("ID", "K000000001"); r.Set("START", 0.0); r.SetLogical("OK", true);
//   tessera::DbfAppendRecord(table, r);           // one record
//   tessera::DbfAppendRecords(table, records);    // many, one lock, one write
//
// With an index to keep, hold a DbfAppendGuard across the append and
// IdxInsert, as with AppendBlank: the guard's lock is the one the append
// would take.
#ifndef TESSERA_PACK_DBF_RECORD_H
#define TESSERA_PACK_DBF_RECORD_H

#include <string>
#include <vector>

#include "pack/dbf.h"

namespace tessera {

// The text forms of a value in field `field` of `table`, exactly the field
// length long: 'C'/'D' left-aligned and padded with spaces, 'N'/'F' as
// DToNF formats it (padded when cut short), 'L' "T"/"F" then spaces.  `out`
// must hold the field length.
void DbfFormatText(const DbfField& field, const char* value, char* out);
void DbfFormatNumber(DBF& table, int field, double value, char* out);
void DbfFormatLogical(const DbfField& field, bool value, char* out);

class DbfRecord {
 public:
  // A blank record of `table`: a live deletion flag, every byte a space.
  explicit DbfRecord(DBF& table);

  // Fill one field, as Write would.  An unknown field reports "Not found
  // field %s\n %s %ld", a value of the wrong kind for the field (a text for
  // a number, a number for a text) "Type error,not Number field!/n %s %ld";
  // both leave the record unchanged and return false.
  bool Set(const char* field, const char* text);  // 'C', 'D'
  bool Set(const char* field, const std::string& text) { return Set(field, text.c_str()); }
  bool Set(const char* field, double value);       // 'N', 'F'
  bool SetLogical(const char* field, bool value);  // 'L'
  void SetDeleted(bool deleted) {
    if (!bytes_.empty()) bytes_[0] = deleted ? '*' : ' ';
  }
  // Back to blank, to fill the next record.
  void Clear() { bytes_.assign(bytes_.size(), ' '); }

  // The record as the file holds it (record length bytes).
  const std::string& Bytes() const { return bytes_; }

 private:
  // The field's number when it exists and is of one of `types`, else -1
  // after reporting.
  int Field(const char* field, const char* types);

  DBF& table_;
  std::string bytes_;
};

// Appends `record` under one append lock and makes it current.  False when
// the table did not open, is read-only, the record belongs to a table of
// another record length, or the write failed (the table is then as it was).
bool DbfAppendRecord(DBF& table, const DbfRecord& record);

// Appends every record of `records` in order, under one lock and in one
// write; the last becomes current.  All or none: a failure leaves the
// table as it was.  An empty list appends nothing and succeeds.
bool DbfAppendRecords(DBF& table, const std::vector<DbfRecord>& records);

}  // namespace tessera

#endif
