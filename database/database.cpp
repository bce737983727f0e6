#include "database/database.h"

#include <cstring>
#include <vector>

#include "platform/path.h"

namespace {

// The longest path the list accepts; m_szFilename holds it with its zero.
constexpr size_t kMaxPath = 1024;

// The open databases, oldest first.  Entries still listed when the process
// ends are destroyed by this vector's owner below, which closes their files.
struct DataBaseList {
  std::vector<CDataBase*> entries;
  ~DataBaseList() {
    for (CDataBase* db : entries) delete db;
  }
};

DataBaseList& List() {
  static DataBaseList list;
  return list;
}

bool TooLong(const char* path) { return std::strlen(path) > kMaxPath; }

}  // namespace

CDataBase::CDataBase() : m_bConnected(false) { std::memset(m_szFilename, 0, sizeof m_szFilename); }

CDataBase::CDataBase(const CDataBase& other)
    : m_pConnection(other.m_pConnection), m_bConnected(other.m_bConnected) {
  std::memcpy(m_szFilename, other.m_szFilename, sizeof m_szFilename);
}

CDataBase& CDataBase::operator=(const CDataBase& other) {
  if (this != &other) {
    m_pConnection = other.m_pConnection;
    m_bConnected = other.m_bConnected;
    std::memcpy(m_szFilename, other.m_szFilename, sizeof m_szFilename);
  }
  return *this;
}

CDataBase::~CDataBase() = default;

bool CDataBase::ConnectAccess(const char* path) {
  if (!path || std::strlen(path) >= sizeof m_szFilename) return false;
  std::shared_ptr<tessera::DbConnection> connection =
      tessera::DbConnection::Open(tessera::NativePath(path));
  if (!connection) return false;
  m_pConnection = std::move(connection);
  std::memset(m_szFilename, 0, sizeof m_szFilename);
  std::memcpy(m_szFilename, path, std::strlen(path));
  m_bConnected = true;
  return true;
}

bool CDataBase::ExecuteCommand(const char* sql) {
  if (!m_pConnection || !sql) return false;
  return m_pConnection->Execute(sql);
}

bool CDataBase::OpenSource(const char* sql, tessera::RecordsetPtr& rs) {
  if (!m_pConnection || !sql) return false;
  return m_pConnection->Query(sql, rs);
}

long CDataBase::GetRecordCount(const tessera::RecordsetPtr& rs) {
  if (!rs) return 0;
  rs->MoveFirst();
  long count = 0;
  while (!rs->IsEOF()) {
    ++count;
    rs->MoveNext();
  }
  rs->MoveFirst();
  return count;
}

bool AfxInitDataBase(const char* path) {
  if (!path || TooLong(path)) return false;
  if (CDataBase* db = AfxGetDataBase(path))
    return db->IsConnected() ? true : db->ConnectAccess(path);
  CDataBase* db = new CDataBase;
  List().entries.push_back(db);
  return db->ConnectAccess(path);
}

CDataBase* AfxGetDataBase(const char* path) {
  if (!path || TooLong(path)) return nullptr;
  for (CDataBase* db : List().entries)
    if (std::strcmp(db->m_szFilename, path) == 0) return db;
  return nullptr;
}

void AfxReleaseDataBase(const char* path) {
  std::vector<CDataBase*>& entries = List().entries;
  if (!path) {
    for (CDataBase* db : entries) delete db;
    entries.clear();
    return;
  }
  if (TooLong(path)) return;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (std::strcmp((*it)->m_szFilename, path) == 0) {
      CDataBase* db = *it;
      entries.erase(it);
      delete db;
      return;
    }
  }
}

namespace tessera {
size_t DataBaseListSize() { return List().entries.size(); }
}  // namespace tessera
