#include "pack/qres.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "pack/dbf.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_create.h"
#include "platform/path.h"
#include "public/error_report.h"

namespace {
bool Empty(const char* text) { return !text || !*text; }

// The values are handed to the table in the form of these types, so a table
// whose fields are of other types (or missing) is not used: a text written
// into a number field would be read as a number.
bool IndexTableFields(const DBF& table) {
  const struct {
    const char* name;
    const char* types;
  } want[] = {{"ID", "C"}, {"PACKNAME", "C"}, {"START", "NF"}, {"END", "NF"}};
  for (const auto& w : want) {
    const tessera::DbfField* found = nullptr;
    for (int i = 0; i < table.m_nFieldCount && !found; ++i)
      if (std::strcmp(table.m_pFields[i].name, w.name) == 0) found = &table.m_pFields[i];
    if (!found || !found->type || !std::strchr(w.types, found->type)) return false;
  }
  return true;
}
}  // namespace

QRES::QRES(char* table, char* index)
    : QRES(static_cast<const char*>(table), static_cast<const char*>(index)) {}

QRES::QRES(const char* table, const char* index)
    : m_pFirst(nullptr), m_pLast(nullptr), m_pDbf(nullptr), m_pIdx(nullptr) {
  m_pDbf = new (std::nothrow) DBF(table, 0);
  m_pIdx = new (std::nothrow) IDX(index, 0);
  // A table or index that did not open has reported that already; it is
  // not ordered.  Ordering comes before the check of the field types, so a
  // table without ID reports "Not found field ID" as ordering does, then
  // "Could not set order."; a table whose fields are there but of other
  // types is not ordered either (its link is undone), with the same final
  // message.
  bool opened = m_pDbf && m_pIdx && tessera::DbfUsable(*m_pDbf) && tessera::IdxUsable(*m_pIdx);
  bool ordered = opened && m_pDbf->SetOrderTo(m_pIdx, "ID") && IndexTableFields(*m_pDbf);
  if (opened && !ordered) {
    m_pDbf->m_pIdx = nullptr;
    m_pIdx->m_pDbf = nullptr;
  }
  if (!ordered) ErrorBox("Could not set order.\n %s %ld", __FILE__, (long)__LINE__);
}

QRES::~QRES() {
  delete m_pDbf;
  delete m_pIdx;
  tessera::FreePacks(m_pFirst, m_pLast);
}

bool QRES::Usable() const {
  // A table or index that did not open leaves the object without an index
  // to search; every operation then fails instead of touching them.
  return m_pDbf && m_pIdx && tessera::DbfUsable(*m_pDbf) && tessera::IdxUsable(*m_pIdx) &&
         m_pDbf->m_pIdx == m_pIdx;
}

bool QRES::RegistPack(const char* name, const char* path) {
  if (!name || !path || tessera::FindPack(m_pLast, name)) return false;
  return tessera::RegisterPack(m_pFirst, m_pLast, name, path);
}

pack* QRES::SeekPack(const char* name) { return tessera::SeekOrRegisterPack(*this, name); }

bool QRES::AddFileToPack(const char* file, const char* id, const char* packName, const char* text) {
  return tessera::AddWholeFileToPack(*this, file, id, packName, text);
}

bool QRES::AddDataToPack(unsigned char* data, long length, const char* id, const char* packName,
                         const char*) {
  if (Empty(id) || Empty(packName) || !Usable()) return false;
  pack* p = tessera::NamedPackForAppend(*this, packName);
  if (!p) return false;
  // The row must be writable before a byte goes into the pack.
  if (m_pDbf->m_fp.ReadOnly() || m_pIdx->m_fp.ReadOnly()) {
    ErrorBox("Read-only file %s.\n %s %ld",
             (m_pDbf->m_fp.ReadOnly() ? m_pDbf->m_fp : m_pIdx->m_fp).Path().c_str(), __FILE__,
             (long)__LINE__);
    return false;
  }
  // One step for other processes: the table's append lock across the look-
  // up, the append, the writes and the index insert (so that no one adds
  // the same identifier twice or sees a record without its key), and the
  // pack's lock across finding its end, writing and recording.
  tessera::DbfAppendGuard guard(*m_pDbf);
  tessera::PackAppendLock lock(p);
  bool fresh = !m_pDbf->Seek(id);
  int32_t start = 0, end = 0;
  if (!tessera::AppendToPack(p, data, length, start, end)) return false;
  if (fresh && !tessera::DbfAppendBlank(*m_pDbf)) {
    tessera::UndoAppend(p, start);
    return false;
  }
  bool written = m_pDbf->Write("ID", id) && m_pDbf->Write("PACKNAME", packName) &&
                 m_pDbf->Write("START", static_cast<double>(start)) &&
                 m_pDbf->Write("END", static_cast<double>(end));
  if (!written) {
    // A new record that could not be filled is marked deleted (it is not in
    // the index, so no look-up finds it); the bytes go.
    if (fresh) tessera::DbfSetDeleted(*m_pDbf, true);
    tessera::UndoAppend(p, start);
    return false;
  }
  if (fresh && !m_pDbf->IdxInsert()) {
    ErrorBox("Resource idx insert error!\n %s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  return true;
}

bool QRES::AddDataToPack(unsigned char* text, const char* id, const char* packName,
                         const char* text2) {
  long length = text ? static_cast<long>(std::strlen(reinterpret_cast<const char*>(text))) : 0;
  return AddDataToPack(text, length, id, packName, text2);
}

int QRES::LoadData(unsigned char*& buffer, const char* id) {
  if (Empty(id) || !Usable()) return 0;
  if (!m_pDbf->Seek(id)) return 0;
  int no = -1;
  for (int i = 0; i < m_pDbf->m_nFieldCount; ++i)
    if (std::strcmp(m_pDbf->m_pFields[i].name, "PACKNAME") == 0) no = i;
  if (no < 0) return 0;
  std::vector<char> name(static_cast<size_t>(m_pDbf->m_pFields[no].length) + 1);
  long start = 0, end = 0;
  if (!m_pDbf->Read(name.data(), "PACKNAME") || !m_pDbf->Read(start, "START") ||
      !m_pDbf->Read(end, "END"))
    return 0;
  // A padded 'C' field: the pack is the name without its trailing spaces.
  for (size_t n = std::strlen(name.data()); n > 0 && name[n - 1] == ' '; --n) name[n - 1] = 0;
  pack* p = SeekPack(name.data());
  if (!p) {
    ErrorBox("Not found Pack!\n %s %ld", __FILE__, (long)__LINE__);
    return 0;
  }
  // Ranges beyond 32-bit offsets cannot be in a pack; the shared reader
  // refuses them as it refuses any range outside the file.
  const long most = std::numeric_limits<int32_t>::max();
  int32_t s = static_cast<int32_t>(start < 0 || start > most ? -1 : start);
  int32_t e = static_cast<int32_t>(end < 0 || end > most ? -1 : end);
  return tessera::ReadPackRange(p, s, e, buffer, nullptr);
}

bool QRES::ImageLoad(unsigned char*& buffer, const char* id) { return LoadData(buffer, id) != 0; }

namespace tessera {

bool CreateQresFiles(std::string_view table, std::string_view index, int id_length, int name_length,
                     std::string& error) {
  std::vector<DbfField> fields = {MakeDbfField("ID", 'C', id_length),
                                  MakeDbfField("PACKNAME", 'C', name_length),
                                  MakeDbfField("START", 'N', 10), MakeDbfField("END", 'N', 10)};
  return CreateDbf(table, fields, error) && CreateIdx(index, id_length, error);
}

bool CreatePackFile(std::string_view path, std::string& error) {
  std::FILE* f = OpenFile(path, "wb");
  if (!f || std::fclose(f) != 0) {
    error = "cannot create " + std::string(path);
    return false;
  }
  return true;
}

}  // namespace tessera
