#include "pack/dbf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pack/dbf_record.h"
#include "pack/idx.h"
#include "platform/byte_order.h"

namespace {

// Bytes Locate reads at a time.
constexpr size_t kLocateRun = 32768;

using tessera::Le16;
using tessera::Le32;

}  // namespace

DBF::DBF(char* name, int exclusive) : DBF(static_cast<const char*>(name), exclusive) {}

DBF::DBF(const char* name, int exclusive)
    : m_nRecNo(0),
      m_bDelete(0),
      m_nRecCount(0),
      m_nHeaderLen(0),
      m_nRecLen(0),
      m_nFieldCount(0),
      m_pFields(nullptr),
      m_pfnError(tessera::ReportErrorBox) {
  OpenTable(name ? name : "");
  if (m_pFields && !HoldFile(exclusive != 0)) {
    delete[] m_pFields;
    m_pFields = nullptr;
    m_nFieldCount = 0;
    m_fp.Close();
  }
}

// Every handle holds a lock on the byte just below the append lock for as
// long as it is open: a plain open a shared (read) lock, an exclusive open
// a write lock over the whole file, from 0 to any length.  So an exclusive
// open is refused while any other handle is open on the table, and every
// open is refused while an exclusive one lasts -- the caller is told at
// once rather than made to wait for a holder that may keep the table all
// day.  A read-only file is opened shared whatever the flag: nothing is
// appended through it.
bool DBF::HoldFile(bool exclusive) {
  constexpr int64_t kOpenByte = tessera::kDbfLockBase - 1;
  exclusive_ = exclusive && !m_fp.ReadOnly();
  if (exclusive_) {
    if (m_fp.LockRange(0, 0, false)) {
      size_ = m_fp.Size();
      return true;
    }
    exclusive_ = false;
    m_pfnError("Table %s is in use; it cannot be opened exclusively.\n %s %ld", m_fp.Path().c_str(),
               __FILE__, (long)__LINE__);
    return false;
  }
  if (m_fp.LockRange(kOpenByte, 1, true)) return true;
  m_pfnError("Table %s is opened exclusively by another user.\n %s %ld", m_fp.Path().c_str(),
             __FILE__, (long)__LINE__);
  return false;
}

void DBF::OpenTable(const char* name) {
  std::string path = name;
  if (path.find('.') == std::string::npos) path += ".dbf";
  if (!m_fp.Open(path)) {
    m_pfnError("Not found file %s.\n %s %ld", path.c_str(), __FILE__, (long)__LINE__);
    return;
  }

  // The header must be consistent with itself and with the file: every
  // field descriptor inside the header and every field inside the record.
  // The size is taken after the header: another process may be appending,
  // and since an append writes the record before it raises the count, a
  // size read after the count always covers every counted record.
  unsigned char head[32];
  bool good = m_fp.ReadAt(0, head, 32) == 32;
  int64_t size = m_fp.Size();
  int64_t count = good ? Le32(head + 4) : 0;
  int header_len = good ? Le16(head + 8) : 0;
  int rec_len = good ? Le16(head + 10) : 0;
  // Descriptor slots the header length allows (the terminator byte is lost
  // in the division).  33 bytes -- the 32-byte head and the terminator --
  // is a table without fields.
  int slots = header_len / 32 - 1;
  good = good && header_len >= 33 && header_len <= size && rec_len >= 1;
  std::vector<unsigned char> area;
  int fields = 0;
  if (good && slots > 0) {
    area.resize(static_cast<size_t>(slots) * 32);
    good = m_fp.ReadAt(32, area.data(), area.size()) == static_cast<long>(area.size());
    // The list ends at the terminator where one stands before the counted
    // end: what follows it (Visual FoxPro's 263-byte container path) is not
    // a field.
    fields = slots;
    for (int i = 0; good && i < slots; ++i)
      if (area[static_cast<size_t>(i) * 32] == 0x0D) {
        fields = i;
        break;
      }
  }
  // A count past the end of the file (an append cut off, a copy cut short)
  // is held to the whole records that are there.
  if (good) {
    int64_t present = (size - header_len) / rec_len;
    if (count > present) count = present;
  }
  tessera::DbfField* table = nullptr;
  if (good) {
    // One entry more than needed, so that a table without fields still has
    // a field table and counts as open.
    table = new (std::nothrow) tessera::DbfField[fields + 1];
    if (!table) {
      m_pfnError("No enough memory to create Field struct array!\n %s %ld", __FILE__,
                 (long)__LINE__);
      m_fp.Close();
      return;
    }
    int offset = 1;
    for (int i = 0; i < fields; ++i) {
      const unsigned char* d = area.data() + static_cast<size_t>(i) * 32;
      std::memcpy(table[i].name, d, 10);
      table[i].name[10] = 0;
      table[i].type = static_cast<char>(d[11]);
      table[i].length = d[16];
      table[i].decimals = d[17];
      table[i].offset = offset;
      offset += table[i].length;
    }
    if (offset > rec_len) good = false;
  }
  if (!good) {
    delete[] table;
    m_fp.Close();
    m_pfnError("Bad table header %s.\n %s %ld", path.c_str(), __FILE__, (long)__LINE__);
    return;
  }
  m_pFields = table;
  m_nFieldCount = fields;
  m_nHeaderLen = header_len;
  m_nRecLen = rec_len;
  m_nRecCount = static_cast<long>(count);
}

DBF::~DBF() { delete[] m_pFields; }

int DBF::FieldNo(const char* name) {
  if (!name) return -1;
  for (int i = 0; i < m_nFieldCount; ++i)
    if (std::strcmp(m_pFields[i].name, name) == 0) return i;
  return -1;
}

void DBF::DbfFlush() {
  // Writes go to the file at once (pwrite); there is no buffer to drain.
}

bool DBF::ReadField(char* buffer, int field) {
  const tessera::DbfField& f = m_pFields[field];
  int64_t at = m_nHeaderLen + static_cast<int64_t>(m_nRecNo) * m_nRecLen + f.offset;
  long n = m_nRecNo < 0 ? -1 : m_fp.ReadAt(at, buffer, static_cast<size_t>(f.length));
  if (n < 0) n = 0;
  buffer[n] = 0;
  // The text ends early at a line feed.
  if (char* lf = static_cast<char*>(std::memchr(buffer, '\n', static_cast<size_t>(n)))) *lf = 0;
  return true;
}

bool DBF::Read(char* buffer, const char* field) {
  if (!m_pFields) return false;
  if (m_nRecCount == 0) {
    m_pfnError("No record!\n %s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  int no = FieldNo(field);
  if (no < 0) {
    m_pfnError("Not found field %s.\n %s %ld", field ? field : "", __FILE__, (long)__LINE__);
    return false;
  }
  return ReadField(buffer, no);
}

namespace {
// A field is at most 255 bytes long.
struct FieldText {
  char text[256];
};

// The typed reads: the raw text converted; 0 (false) when the read fails.
template <typename T, typename Convert>
bool ReadAs(DBF& table, T& value, const char* field, Convert convert) {
  FieldText t;
  value = T();
  if (!table.Read(t.text, field)) return false;
  value = static_cast<T>(convert(t.text));
  return true;
}

}  // namespace

bool DBF::Read(bool& value, const char* field) {
  return ReadAs(*this, value, field, [](const char* text) { return text[0] == 'T'; });
}
bool DBF::Read(unsigned char& value, const char* field) {
  return ReadAs(*this, value, field, std::atoi);
}
bool DBF::Read(int& value, const char* field) { return ReadAs(*this, value, field, std::atoi); }
bool DBF::Read(long& value, const char* field) { return ReadAs(*this, value, field, std::atol); }
bool DBF::Read(float& value, const char* field) { return ReadAs(*this, value, field, std::atof); }
bool DBF::Read(double& value, const char* field) { return ReadAs(*this, value, field, std::atof); }

void DBF::DToNF(double value, char* text, int field) {
  if (!m_pFields || field < 0 || field >= m_nFieldCount) {
    text[0] = 0;
    return;
  }
  const tessera::DbfField& f = m_pFields[field];
  // "%<length>.<decimals>lf", with the width and precision passed as
  // values.  Huge values print hundreds of digits; format into room enough,
  // then cut at the field length.
  char wide[512];
  std::snprintf(wide, sizeof wide, "%*.*f", static_cast<int>(f.length),
                static_cast<int>(f.decimals), value);
  wide[f.length] = 0;
  std::strcpy(text, wide);
}

bool DBF::Write(const char* field, ...) {
  if (!m_pFields) return false;
  int no = FieldNo(field);
  if (no < 0) {
    m_pfnError("Not found field %s\n %s %ld", field ? field : "", __FILE__, (long)__LINE__);
    return false;
  }
  const tessera::DbfField& f = m_pFields[no];
  FieldText t;
  va_list args;
  va_start(args, field);
  switch (f.type) {
    case 'C':
    case 'D':
      tessera::DbfFormatText(f, va_arg(args, const char*), t.text);
      break;
    case 'N':
    case 'F':
      tessera::DbfFormatNumber(*this, no, va_arg(args, double), t.text);
      break;
    case 'L':
      tessera::DbfFormatLogical(f, va_arg(args, int) != 0, t.text);
      break;
    default:
      va_end(args);
      // The message has room for two values: the field name and the line.
      m_pfnError("Type error,not Number field!/n %s %ld", field, (long)__LINE__);
      return false;
  }
  va_end(args);
  if (m_nRecCount == 0) {
    m_pfnError("No record!\n %s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  if (m_nRecNo < 0) return false;
  int64_t at = m_nHeaderLen + static_cast<int64_t>(m_nRecNo) * m_nRecLen + f.offset;
  if (!m_fp.WriteAt(at, t.text, static_cast<size_t>(f.length))) {
    ReportWriteFailure((long)__LINE__);
    return false;
  }
  DbfFlush();
  return true;
}

void DBF::ReportWriteFailure(long line) {
  if (m_fp.ReadOnly())
    m_pfnError("Read-only file %s.\n %s %ld", m_fp.Path().c_str(), __FILE__, line);
  else
    m_pfnError("Failed to write file %s.\n %s %ld", m_fp.Path().c_str(), __FILE__, line);
}

bool DBF::Locate(const char* field, int step, ...) {
  va_list args;
  va_start(args, step);
  bool found = LocateV(field, step, args);
  va_end(args);
  return found;
}

bool DBF::LocateV(const char* field, int step, va_list args) {
  if (!m_pFields || m_nRecCount == 0) return false;
  int no = FieldNo(field);
  if (no < 0) {
    m_pfnError("Not found field %s.\n %s %ld", field ? field : "", __FILE__, (long)__LINE__);
    return false;
  }
  const tessera::DbfField& f = m_pFields[no];
  FieldText want;
  switch (f.type) {
    case 'C':
    case 'D': {
      const char* value = va_arg(args, const char*);
      size_t len = value ? strnlen(value, static_cast<size_t>(f.length)) : 0;
      if (len) std::memcpy(want.text, value, len);
      want.text[len] = 0;
      break;
    }
    case 'N':
    case 'F':
      DToNF(va_arg(args, double), want.text, no);
      break;
    case 'L':
      std::strcpy(want.text, va_arg(args, int) ? "T" : "F");
      break;
    default:
      // The message has room for two values: the field name and the line.
      m_pfnError("Type error,not Number field!/n %s %ld", field, (long)__LINE__);
      return false;
  }
  size_t k = std::strlen(want.text);

  // Records are read a run at a time (the flag and the field of each), in
  // the direction of the search: one read per run instead of one per record.
  long n = RecCount();
  std::vector<char> run(
      kLocateRun > static_cast<size_t>(m_nRecLen) ? kLocateRun : static_cast<size_t>(m_nRecLen));
  const long per_run = static_cast<long>(run.size()) / m_nRecLen;
  long run_first = 0, run_count = 0;
  for (;;) {
    if (m_nRecNo >= n) {
      GoBottom();
      return false;
    }
    if (m_nRecNo < 0) {
      GoTop();
      return false;
    }
    if (m_nRecNo < run_first || m_nRecNo >= run_first + run_count) {
      run_first = step >= 0 ? m_nRecNo : std::max(0L, m_nRecNo - per_run + 1);
      run_count = std::min(per_run, n - run_first);
      size_t bytes = static_cast<size_t>(run_count) * static_cast<size_t>(m_nRecLen);
      long got = m_fp.ReadAt(m_nHeaderLen + static_cast<int64_t>(run_first) * m_nRecLen, run.data(),
                             bytes);
      if (got < 0) got = 0;
      if (static_cast<size_t>(got) < bytes)
        std::memset(run.data() + got, 0, bytes - static_cast<size_t>(got));
    }
    const char* record =
        run.data() + static_cast<size_t>(m_nRecNo - run_first) * static_cast<size_t>(m_nRecLen);
    if (m_bDelete && record[0] == '*') {
      if (step == 0) return false;
      m_nRecNo += step;
      continue;
    }
    // The field's text as Read gives it: cut at a line feed.
    const char* text = record + f.offset;
    size_t text_len = static_cast<size_t>(f.length);
    if (const void* lf = std::memchr(text, '\n', text_len))
      text_len = static_cast<size_t>(static_cast<const char*>(lf) - text);
    if (const void* nul = std::memchr(text, 0, text_len))
      text_len = static_cast<size_t>(static_cast<const char*>(nul) - text);
    if (text_len >= k && std::memcmp(text, want.text, k) == 0) return true;
    // A step of 0 would look at the same record for ever.
    if (step == 0) return false;
    m_nRecNo += step;
  }
}

bool DBF::Skip(long n) {
  if (!m_pFields) return false;
  if (m_pIdx) {
    for (long i = 0; i < n; ++i) {
      long r = m_pIdx->Skip();
      if (r == -1) return false;
      m_nRecNo = r;
    }
    for (long i = 0; i < -n; ++i) {
      long r = m_pIdx->RevSkip();
      if (r == -1) return false;
      m_nRecNo = r;
    }
    return true;
  }
  long target = m_nRecNo + n;
  if (target < 0 || target > RecCount() - 1) return false;
  m_nRecNo = target;
  return true;
}

bool DBF::GoTop() {
  if (!m_pFields) return false;
  if (m_pIdx) {
    long r = m_pIdx->GoTop();
    if (r == -1 || r == -2) return false;
    m_nRecNo = r;
    return true;
  }
  m_nRecNo = 0;
  return true;
}

bool DBF::GoBottom() {
  if (!m_pFields) return false;
  if (m_pIdx) {
    long r = m_pIdx->GoBottom();
    if (r == -1) return false;
    m_nRecNo = r;
    return true;
  }
  m_nRecNo = RecCount() - 1;
  return true;
}

bool DBF::Eof() { return m_nRecNo >= RecCount(); }
bool DBF::Bof() { return m_nRecNo < 0; }
long DBF::RecNo() { return m_nRecNo; }

long DBF::RecCount() {
  if (!m_pFields) return 0;
  unsigned char b[4];
  if (m_fp.ReadAt(4, b, 4) != 4) return m_nRecCount;
  int64_t count = Le32(b);
  // A count that another writer (or damage) pushed past the file's end is
  // held to the records that are really there.  Only a grown count needs
  // the look at the file's size.
  if (count > m_nRecCount) {
    int64_t size = m_fp.Size();
    int64_t present = size > m_nHeaderLen ? (size - m_nHeaderLen) / m_nRecLen : 0;
    if (count > present) count = present;
  }
  m_nRecCount = static_cast<long>(count);
  return m_nRecCount;
}

namespace {
// Takes the append lock without blocking, retried until it is granted.  The
// wait grows from 0.1 ms to 2 ms so that a long holder costs little.
void TakeAppendLock(tessera::RawFile& file) {
  for (long wait = 100000; !file.LockByte(tessera::kDbfLockBase);) {
    struct timespec pause = {0, wait};
    nanosleep(&pause, nullptr);
    if (wait < 2000000) wait *= 2;
  }
}
}  // namespace

void DBF::AppendBlank() { AppendRecords(nullptr, 1); }

bool DBF::AppendRecords(const char* records, long count) {
  if (!m_pFields || count < 1) return false;
  if (m_fp.ReadOnly()) {
    ReportWriteFailure((long)__LINE__);
    return false;
  }
  const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(m_nRecLen);
  const bool own_lock = append_depth_ == 0 && !exclusive_;
  if (own_lock) TakeAppendLock(m_fp);
  // An exclusive open is the only writer: its count and size are current.
  long n = exclusive_ ? m_nRecCount : RecCount();
  const int64_t at = m_nHeaderLen + static_cast<int64_t>(n) * m_nRecLen;
  // The byte the records go over (the end-of-file mark, when there is one)
  // is kept so that a failed append can put the file back as it was.  The
  // size is known without asking when this handle made the last append (the
  // count is still the one it left): appends are what change the size.
  const bool size_known = exclusive_ || (appended_count_ >= 0 && n == appended_count_);
  const int64_t old_size = size_known ? size_ : m_fp.Size();
  char old_byte = 0;
  bool had_byte = old_size > at && m_fp.ReadAt(at, &old_byte, 1) == 1;
  std::string blank;
  if (!records) {
    blank.assign(bytes, ' ');
    records = blank.data();
  }
  // The records first, then the count: the count never covers a record
  // that is not in the file.
  bool ok = static_cast<uint64_t>(n) + static_cast<uint64_t>(count) <= 0xFFFFFFFFu;
  ok = ok && m_fp.WriteAt(at, records, bytes);
  uint32_t total = static_cast<uint32_t>(n + count);
  unsigned char b[4] = {static_cast<unsigned char>(total), static_cast<unsigned char>(total >> 8),
                        static_cast<unsigned char>(total >> 16),
                        static_cast<unsigned char>(total >> 24)};
  ok = ok && m_fp.WriteAt(4, b, 4);
  if (!ok) {
    // Put the count back (it may have been written) and the file's end.
    uint32_t was = static_cast<uint32_t>(n);
    unsigned char c[4] = {static_cast<unsigned char>(was), static_cast<unsigned char>(was >> 8),
                          static_cast<unsigned char>(was >> 16),
                          static_cast<unsigned char>(was >> 24)};
    m_fp.WriteAt(4, c, 4);
    if (old_size >= 0) m_fp.Truncate(std::max<int64_t>(old_size, at));
    if (had_byte) m_fp.WriteAt(at, &old_byte, 1);
    m_nRecCount = n;
    size_ = m_fp.Size();
    appended_count_ = -1;
  } else {
    m_nRecNo = n + count - 1;
    m_nRecCount = n + count;
    size_ = std::max<int64_t>(old_size, at + static_cast<int64_t>(bytes));
    appended_count_ = m_nRecCount;
  }
  if (own_lock) m_fp.UnlockByte(tessera::kDbfLockBase);
  if (!ok) ReportWriteFailure((long)__LINE__);
  DbfFlush();
  return ok;
}

// An exclusive open holds the whole file: every record is locked for it
// already, and unlocking one would open a gap in that lock.
bool DBF::LockRecord() {
  if (!m_pFields) return false;
  if (exclusive_) return true;
  return m_fp.LockByte(tessera::kDbfLockBase + m_nHeaderLen +
                       static_cast<int64_t>(m_nRecNo) * m_nRecLen);
}

bool DBF::UnLockRecord() {
  if (!m_pFields) return false;
  if (exclusive_) return true;
  return m_fp.UnlockByte(tessera::kDbfLockBase + m_nHeaderLen +
                         static_cast<int64_t>(m_nRecNo) * m_nRecLen);
}

bool DBF::SetOrderTo(IDX* index, const char* field) {
  if (!index) return false;
  // The table tells the index; from then on each side clears only its own
  // end of the link.
  auto link = std::make_shared<tessera::IndexLink>();
  link->table = this;
  link->index = index;
  m_pIdx.Join(link);
  index->m_pDbf.Join(link);
  int no = FieldNo(field);
  index->m_nField = no;
  if (no < 0) {
    m_pfnError("Not found field %s\n %s %ld", field ? field : "", __FILE__, (long)__LINE__);
    return false;
  }
  return true;
}

bool DBF::Seek(const char* key) {
  if (!m_pIdx || !m_pFields) return false;
  long r = m_pIdx->Seek(key);
  if (r == -1) {
    GoBottom();
    return false;
  }
  m_nRecNo = r;
  return true;
}

bool DBF::IdxInsert() {
  if (!m_pIdx || !m_pFields) return false;
  int no = m_pIdx->m_nField;
  if (no < 0 || no >= m_nFieldCount || m_nRecNo < 0) return false;
  FieldText t;
  const tessera::DbfField& f = m_pFields[no];
  // The raw bytes: the key is the field's text exactly as stored.
  long n = m_fp.ReadAt(m_nHeaderLen + static_cast<int64_t>(m_nRecNo) * m_nRecLen + f.offset, t.text,
                       static_cast<size_t>(f.length));
  if (n != f.length) return false;
  return tessera::IdxInsertKey(*m_pIdx, m_nRecNo + 1,
                               std::string_view(t.text, static_cast<size_t>(n)));
}

void DBF::DeleteOn() { m_bDelete = 1; }
void DBF::DeleteOff() { m_bDelete = 0; }

namespace tessera {

bool DbfDeleted(DBF& table) {
  char flag = 0;
  if (!DbfUsable(table) || table.m_nRecNo < 0) return false;
  if (table.m_fp.ReadAt(table.m_nHeaderLen + static_cast<int64_t>(table.m_nRecNo) * table.m_nRecLen,
                        &flag, 1) != 1)
    return false;
  return flag == '*';
}

bool DbfSetDeleted(DBF& table, bool deleted) {
  if (!DbfUsable(table) || table.m_nRecNo < 0 || table.m_nRecNo >= table.RecCount()) return false;
  char flag = deleted ? '*' : ' ';
  if (table.m_fp.WriteAt(
          table.m_nHeaderLen + static_cast<int64_t>(table.m_nRecNo) * table.m_nRecLen, &flag, 1))
    return true;
  table.ReportWriteFailure((long)__LINE__);
  return false;
}

bool DbfAppendBlank(DBF& table) { return table.AppendRecords(nullptr, 1); }

bool DbfAppendBytes(DBF& table, const char* records, long count) {
  return records && table.AppendRecords(records, count);
}

DbfAppendGuard::DbfAppendGuard(DBF& table) : table_(table) {
  if (!DbfUsable(table) || table.m_fp.ReadOnly()) return;
  // An exclusive open holds every lock already.
  if (table.append_depth_++ == 0 && !table.exclusive_) TakeAppendLock(table.m_fp);
  held_ = true;
}

DbfAppendGuard::~DbfAppendGuard() {
  if (held_ && --table_.append_depth_ == 0 && !table_.exclusive_)
    table_.m_fp.UnlockByte(kDbfLockBase);
}

}  // namespace tessera
