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
#include "pack/raw_file.h"

class IDX;
class DBF;

namespace tessera {
class DbfAppendGuard;
bool DbfAppendBlank(DBF& table);
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
  IDX* m_pIdx;
  tessera::DbfField* m_pFields;
  tessera::ErrorReporter m_pfnError;

 protected:
  int FieldNo(const char* name);
  void DbfFlush();

 private:
  void OpenTable(const char* name);
  bool ReadField(char* buffer, int field);
  bool LocateV(const char* field, int step, va_list args);
  bool AppendRecord();
  void ReportWriteFailure(long line);
  friend class tessera::DbfAppendGuard;
  friend bool tessera::DbfAppendBlank(DBF& table);
  friend bool tessera::DbfSetDeleted(DBF& table, bool deleted);
  // Guards now held on this table (see tessera::DbfAppendGuard).
  int append_depth_ = 0;
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
