// DBF: a dBase III table file worked on in place.
//
// One open file per object and a current record.  There is no cache: each
// read and write goes to the file, so records that another process appends
// are seen at once.  Navigation runs in physical order or, after
// SetOrderTo, through an index (IDX).  Appends are serialised between
// processes by a lock on the byte at 0x40000000, records are locked at
// 0x40000000 + their file offset; both lie far beyond the data, so they never
// block plain reads and writes.
//
// Typed reads and writes use the text forms of dBase: 'C' left-aligned and
// padded with spaces, 'N'/'F' right-aligned "%<len>.<dec>lf", 'L' "T"/"F",
// 'D' YYYYMMDD.
//
// Which tables open:
//  * dBase III and IV, FoxPro and Visual FoxPro tables.  The field list ends
//    at its terminator byte (0x0D) when one stands before the end the header
//    length gives: Visual FoxPro keeps a 263-byte area there (the path of
//    its database container), which is not taken for fields.
//  * A table with no fields at all (a 33-byte header, one-byte records of
//    the deletion flag alone) opens with zero fields and its records.
//  * A table whose record count runs past the end of the file (an append
//    that died between raising the count and writing the record, by another
//    program, or a copy cut short) opens and serves every whole record; the
//    count is held to the records that are really there.
//  * Field types the engine cannot write -- memo ('M'), binary ('B', 'G',
//    'P'), Visual FoxPro's integer, currency, date-time and null-flag fields
//    ('I', 'Y', 'T', '0') and any other -- open and read as their raw bytes
//    (Read(char*, ...) gives them as they stand in the record); writing into
//    them is refused with "Type error,not Number field!/n %s %ld".
// A file whose header lies otherwise (lengths past the file, fields past the
// record) is refused like a missing one: the object keeps no field table and
// every operation fails.
//
// A file that may be read but not written (a read-only install) opens
// read-only; every write then fails with "Read-only file %s.\n %s %ld".
// A write that does not reach the file whole (a full disk) reports "Failed
// to write file %s.\n %s %ld"; a failed append leaves the record count and
// the current record as they were.
//
// Opening: a plain open (exclusive 0) shares the table with other plain
// opens, in this process or others.  An exclusive open (non-zero) locks
// the whole file for the object's life: it is refused, with "Table %s is
// in use; it cannot be opened exclusively.\n %s %ld", while any other
// handle is open on the table, and while it lasts every other open is
// refused with "Table %s is opened exclusively by another user.\n %s %ld".
// Being the only writer, an exclusive table appends without taking the
// append lock or reading the count back, and LockRecord / UnLockRecord
// succeed at once.  A read-only file always opens shared.
//
// Appends from several processes: AppendBlank takes the append lock for
// itself, unless the caller holds it through a tessera::DbfAppendGuard.  A
// caller that appends a record, fills it and adds its key to an index
// (AppendBlank, Write, IdxInsert) holds one guard across all three, so that
// no other process sees or indexes the record half-made.
#ifndef TESSERA_PACK_DBF_H
#define TESSERA_PACK_DBF_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdarg>

#include "pack/dbf_field.h"
#include "pack/index_link.h"
#include "pack/raw_file.h"

class IDX;
class DBF;

namespace tessera {
class DbfAppendGuard;
class DbfRecord;
bool DbfAppendBlank(DBF& table);
bool DbfAppendBytes(DBF& table, const char* records, long count);
bool DbfSetDeleted(DBF& table, bool deleted);
}  // namespace tessera

class DBF {
 public:
  DBF(char* name, int exclusive);
  DBF(const char* name, int exclusive);
  virtual ~DBF();
  DBF(const DBF&) = delete;
  DBF& operator=(const DBF&) = delete;

  // The field's raw text in the current record, padding included; the buffer
  // must hold the field length plus one.
  bool Read(char* buffer, const char* field);
  bool Read(bool& value, const char* field);
  bool Read(unsigned char& value, const char* field);
  bool Read(int& value, const char* field);
  bool Read(long& value, const char* field);
  bool Read(float& value, const char* field);
  bool Read(double& value, const char* field);
  bool Read(char* buffer, char* field) { return Read(buffer, static_cast<const char*>(field)); }

  // Writes one value into the current record: 'C'/'D' a char*, 'N'/'F' a
  // double, 'L' a bool.
  bool Write(const char* field, ...);

  // Formats `value` as field number `field` holds numbers; `text` must hold
  // the field length plus one.
  void DToNF(double value, char* text, int field);

  // Searches record by record, in physical order, from the current record
  // (included) in steps of `step`, for a record whose field starts with the
  // value (typed as for Write).  A step of 0 looks at the current record
  // only: it never moves, so it cannot search further.
  bool Locate(const char* field, int step, ...);

  bool Skip(long n);
  bool GoTop();
  bool GoBottom();
  bool Eof();
  bool Bof();
  long RecNo();
  long RecCount();
  // Appends a record of spaces and makes it current.  When it cannot be
  // written the count and the current record stay as they were and the
  // failure is reported (tessera::DbfAppendBlank tells the caller).
  void AppendBlank();
  bool LockRecord();
  bool UnLockRecord();
  bool SetOrderTo(IDX* index, const char* field);
  bool Seek(const char* key);
  bool IdxInsert();
  void DeleteOn();
  void DeleteOff();

  long m_nRecNo;
  int m_bDelete;
  tessera::RawFile m_fp;
  long m_nRecCount;
  int m_nHeaderLen;
  int m_nRecLen;
  int m_nFieldCount;
  tessera::TableLinkEnd m_pIdx;  // the ordering index, or null (pack/index_link.h)
  tessera::DbfField* m_pFields;
  tessera::ErrorReporter m_pfnError;

 protected:
  int FieldNo(const char* name);
  void DbfFlush();

 private:
  void OpenTable(const char* name);
  bool ReadField(char* buffer, int field);
  bool LocateV(const char* field, int step, va_list args);
  // Appends `count` whole records (`records` null: blank ones) under the
  // append lock -- or none, under a guard or an exclusive open -- with one
  // write of the records and one of the count.
  bool AppendRecords(const char* records, long count);
  void ReportWriteFailure(long line);
  // Takes the whole-file lock of an exclusive open, or the shared hold of a
  // plain one; false when another handle's hold refuses it.
  bool HoldFile(bool exclusive);
  friend class tessera::DbfAppendGuard;
  friend class tessera::DbfRecord;
  friend bool tessera::DbfAppendBytes(DBF& table, const char* records, long count);
  friend bool tessera::DbfAppendBlank(DBF& table);
  friend bool tessera::DbfSetDeleted(DBF& table, bool deleted);
  // Guards now held on this table (see tessera::DbfAppendGuard).
  int append_depth_ = 0;
  // Opened exclusive: the whole file is locked for this object, so appends
  // take no lock and the count and size need not be read back.
  bool exclusive_ = false;
  int64_t size_ = 0;  // the file's size, kept while exclusive_
  // The count this handle's last append left (-1 none): while the header
  // still holds it, nobody has appended since and size_ is the file's size.
  long appended_count_ = -1;
};

namespace tessera {

// The file offset of the append lock byte, and the base of the record locks.
constexpr int64_t kDbfLockBase = 0x40000000;

// Whether the table opened: false when the file was missing or refused.
inline bool DbfUsable(const DBF& table) { return table.m_pFields != nullptr; }

// Whether the current record's deletion flag is '*'.
bool DbfDeleted(DBF& table);

// Sets or clears the current record's deletion flag.
bool DbfSetDeleted(DBF& table, bool deleted);

// AppendBlank that says whether the record was appended.
bool DbfAppendBlank(DBF& table);

// Appends `count` whole records laid out as the file holds them (record
// length bytes each, deletion flag first) under one append lock, with one
// write of the records and one of the count.  The last becomes current.  A
// failure leaves the count, the file and the current record as they were.
// tessera::DbfRecord (pack/dbf_record.h) builds such records.
bool DbfAppendBytes(DBF& table, const char* records, long count);

// Holds a table's append lock for the life of the object.  Guards nest:
// the lock is taken by the outermost guard (waiting while another process
// holds it) and released when that guard goes, and AppendBlank takes no lock
// of its own while a guard on its table is held.  Typical use:
//
//   { DbfAppendGuard guard(table);
//     table.AppendBlank(); table.Write("ID", id); table.IdxInsert(); }
//
// A table that did not open or is read-only takes no lock (Held() false).
class DbfAppendGuard {
 public:
  explicit DbfAppendGuard(DBF& table);
  ~DbfAppendGuard();
  DbfAppendGuard(const DbfAppendGuard&) = delete;
  DbfAppendGuard& operator=(const DbfAppendGuard&) = delete;
  bool Held() const { return held_; }

 private:
  DBF& table_;
  bool held_ = false;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
