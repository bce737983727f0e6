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
// A file whose header lies (lengths past the file, fields past the header,
// records past the end) is refused like a missing one: the object keeps no
// field table and every operation fails.
#ifndef TESSERA_PACK_DBF_H
#define TESSERA_PACK_DBF_H

#include <cstdarg>

#include "pack/dbf_field.h"
#include "pack/raw_file.h"

class IDX;

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
  // value (typed as for Write).
  bool Locate(const char* field, int step, ...);

  bool Skip(long n);
  bool GoTop();
  bool GoBottom();
  bool Eof();
  bool Bof();
  long RecNo();
  long RecCount();
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

}  // namespace tessera

#endif
