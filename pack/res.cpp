#include "pack/res.h"

#include <sys/stat.h>

#include <cstring>
#include <new>

#include "database/database.h"
#include "database/pack_file_database.h"
#include "database/pack_res_database.h"
#include "platform/log.h"
#include "platform/path.h"
#include "public/error_report.h"

CPackFileDataBase* CRes::m_pFileDb = nullptr;
CPackResDataBase* CRes::m_pResDb = nullptr;
CPackResDataBase* CRes::m_pSharedResDb = nullptr;

namespace tessera {
std::string WhyResRowCannotBeRecorded(CPackResDataBase* table, const char*, const char*) {
  CDataBase* db = table ? table->m_pDataBase : nullptr;
  if (!db || !db->IsConnected() || !db->m_pConnection) return "the game database is not open";
  if (db->m_pConnection->ReadOnly())
    return std::string("the game database is read-only: ") + db->GetFilename();
  return std::string();
}

std::string SharedPackDataBasePath(const char* root) {
  char path[1100];
  std::snprintf(path, sizeof path, "%sdata\\Pack.mdb", root ? root : "");
  return path;
}
}  // namespace tessera

namespace {

// Why a database path does not open, for the log.
std::string WhyClosed(const char* path) {
  if (!path || !*path) return "no path given";
  struct stat st;
  if (::stat(tessera::NativePath(path).c_str(), &st) != 0) return "no such file";
  return "not an SQLite database, or not readable and writable";
}

// Copies at most size - 1 bytes and terminates.
void CopyText(char* dst, size_t size, const char* src) {
  std::memset(dst, 0, size);
  if (src) std::strncpy(dst, src, size - 1);
}

bool Empty(const char* text) { return !text || !*text; }

}  // namespace

CRes::CRes(const char* dataBase, const char* root) : m_pFirst(nullptr), m_pLast(nullptr) {
  const char* db = dataBase ? dataBase : "";
  std::string shared = tessera::SharedPackDataBasePath(root);
  // A database that cannot be opened leaves its table objects without a
  // database; their look-ups then fail.
  // Said once here; the look-ups that then fail say which identifier.
  if (!AfxInitDataBase(db))
    tessera::LogWarning(std::string("cannot open the game database ") + db, WhyClosed(db));
  if (!AfxInitDataBase(shared.c_str()))
    tessera::LogInfo("cannot open the shared pack database " + shared, WhyClosed(shared.c_str()));
  if (!m_pFileDb) m_pFileDb = new (std::nothrow) CPackFileDataBase(db);
  if (!m_pResDb) m_pResDb = new (std::nothrow) CPackResDataBase(db);
  if (!m_pSharedResDb) m_pSharedResDb = new (std::nothrow) CPackResDataBase(shared.c_str());
  CopyText(m_szDataBase, sizeof m_szDataBase, db);
  CopyText(m_szRoot, sizeof m_szRoot, root);
}

CRes::~CRes() {
  tessera::FreePacks(m_pFirst, m_pLast);
  delete m_pFileDb;
  m_pFileDb = nullptr;
  delete m_pResDb;
  m_pResDb = nullptr;
  delete m_pSharedResDb;
  m_pSharedResDb = nullptr;
  AfxReleaseDataBase(m_szDataBase);
  AfxReleaseDataBase(tessera::SharedPackDataBasePath(m_szRoot).c_str());
}

bool CRes::RegistPack(const char* name, const char* file) {
  if (!name || !file || tessera::FindPack(m_pLast, name)) return false;
  return tessera::RegisterPack(m_pFirst, m_pLast, name,
                               tessera::ResolvePackPath(m_szDataBase, m_szRoot, file));
}

pack* CRes::SeekPack(const char* name) { return tessera::SeekOrRegisterPack(*this, name); }

bool CRes::AddDataToPack(unsigned char* data, long length, const char* id, const char* packName,
                         const char*) {
  if (Empty(id) || Empty(packName)) return false;
  stPackResInfo info;
  // The index keeps identifiers of at most 10 bytes and pack names of at
  // most 255; anything longer would be recorded under another name, so it
  // is refused before a byte is written.
  if (std::strlen(id) >= sizeof info.szID) {
    ErrorBox("Pack id is longer than %d bytes: %s\n %s %ld", static_cast<int>(sizeof info.szID) - 1,
             id, __FILE__, (long)__LINE__);
    return false;
  }
  if (std::strlen(packName) >= sizeof(pack::szName)) {
    ErrorBox("Pack name is longer than %d bytes: %s\n %s %ld",
             static_cast<int>(sizeof(pack::szName)) - 1, packName, __FILE__, (long)__LINE__);
    return false;
  }
  pack* p = tessera::NamedPackForAppend(*this, packName);
  if (!p) return false;
  if (p->bReadOnly) {
    ErrorBox("Read-only file %s.\n %s %ld", p->szName, __FILE__, (long)__LINE__);
    return false;
  }
  // Whether the row can be recorded is checked before a byte is written,
  // so that a refused add leaves no unreferenced bytes in the pack.
  std::string why = tessera::WhyResRowCannotBeRecorded(m_pResDb, id, packName);
  if (!why.empty()) {
    ErrorBox("Can not record %s: %s\n %s %ld", id, why.c_str(), __FILE__, (long)__LINE__);
    return false;
  }
  // Find the end, write, record: one step under the pack's lock, so that a
  // second writer (another process) neither takes the same end nor sees a
  // range before its bytes.
  tessera::PackAppendLock lock(p);
  int32_t start = 0, end = 0;
  if (!tessera::AppendToPack(p, data, length, start, end)) return false;
  std::strcpy(info.szID, id);
  std::strcpy(info.szPackName, packName);
  info.nStart = start;
  info.nEnd = end;
  if (!m_pResDb->AddRes(info)) {
    // Nothing refers to the new bytes; nobody appended after them (the lock
    // is held), so the pack goes back to its old end.
    tessera::UndoAppend(p, start);
    return false;
  }
  return true;
}

bool CRes::AddDataToPack(unsigned char* text, const char* id, const char* packName,
                         const char* text2) {
  long length = text ? static_cast<long>(std::strlen(reinterpret_cast<const char*>(text))) : 0;
  return AddDataToPack(text, length, id, packName, text2);
}

bool CRes::AddFileToPack(const char* file, const char* id, const char* packName, const char* text) {
  return tessera::AddWholeFileToPack(*this, file, id, packName, text);
}

int CRes::LoadData(unsigned char*& buffer, const char* id) {
  if (Empty(id)) {
    tessera::LogWarning("empty pack identifier", "nothing to look up");
    return 0;
  }
  stPackResInfo info;
  if (!(m_pResDb && m_pResDb->GetResInfo(id, info)) &&
      !(m_pSharedResDb && m_pSharedResDb->GetResInfo(id, info))) {
    const size_t length = std::strlen(id);
    if (length >= sizeof info.szID)
      tessera::LogWarning(std::string("pack identifier '") + id + "'",
                          std::to_string(length) + " bytes long; identifiers have at most " +
                              std::to_string(sizeof info.szID - 1));
    else
      tessera::LogWarning(std::string("unknown pack identifier '") + id + "'",
                          std::string("not in RESTABLE of ") + m_szDataBase + " nor of " +
                              tessera::SharedPackDataBasePath(m_szRoot));
    return 0;
  }
  // Pack names may come padded with spaces; the pack is the name without.
  char name[256];
  if (std::strlen(info.szPackName) >= sizeof name) {
    ErrorBox("Not found Pack!\n %s %ld", __FILE__, (long)__LINE__);
    return 0;
  }
  CopyText(name, sizeof name, info.szPackName);
  for (size_t n = std::strlen(name); n > 0 && name[n - 1] == ' '; --n) name[n - 1] = 0;
  pack* p = SeekPack(name);
  if (!p) {
    ErrorBox("Not found Pack!\n %s %ld", __FILE__, (long)__LINE__);
    return 0;
  }
  return tessera::ReadPackRange(p, info.nStart, info.nEnd, buffer, id);
}

int CRes::LoadData(unsigned char*& buffer, char* id) {
  return LoadData(buffer, static_cast<const char*>(id));
}

bool CRes::ImageLoad(unsigned char*& buffer, const char* id) { return LoadData(buffer, id) != 0; }
bool CRes::ImageLoad(unsigned char*& buffer, char* id) { return LoadData(buffer, id) != 0; }

bool CRes::ID2Path(const char* id, char* path) {
  size_t sep = tessera::LastSeparator(m_szDataBase);
  if (sep == std::string::npos || !path) return false;
  std::memcpy(path, m_szDataBase, sep + 1);
  std::strcpy(path + sep + 1, id ? id : "");
  return true;
}

bool CRes::ID2Path(char* id, char* path) { return ID2Path(static_cast<const char*>(id), path); }
