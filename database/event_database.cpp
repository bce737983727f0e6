#include "database/event_database.h"

#include <cstring>

#include "database/database.h"
#include "database/scene_table_text.h"
#include "database/sql_text.h"

namespace {

using tessera::SqlQuote;

bool ReadRow(const tessera::RecordSet& rs, stEventInfo& info) {
  stEventInfo row;
  if (!rs.GetInt32(0, row.nID) || !rs.GetInt32(1, row.nSceneID) ||
      !rs.GetInt32(2, row.nEventType) || !rs.GetInt32(3, row.nFilePos) ||
      !rs.GetText(4, row.szExplain, sizeof row.szExplain))
    return false;
  info = row;
  return true;
}

}  // namespace

CEventDataBase::CEventDataBase(const char* path)
    : m_pDataBase(AfxGetDataBase(path)), m_bBrowsing(false), m_nCount(0) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CEventDataBase::~CEventDataBase() = default;

bool CEventDataBase::GetEventInfo(int id, stEventInfo& info) {
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT * FROM [EVENTTABLE] WHERE [ID] = %d", id);
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  stEventInfo row;
  if (!ReadRow(*rs, row)) return false;
  row.nID = id;
  info = row;
  return true;
}

bool CEventDataBase::SetEventInfo(int id, const stEventInfo& info) {
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT ID FROM [EVENTTABLE] WHERE [ID] = %d", id);
  long n = tessera::CountRows(m_pDataBase, m_szSQL);
  if (n < 0) return false;
  // "没有这个事件 id = %d"
  if (n == 0)
    return tessera::TableMessageF("CEventDataBase::SetEventInfo() Error",
                                  "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xCA\xC2\xBC\xFE id = %d", id);
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "UPDATE [EVENTTABLE] SET [SCENEID] = %d, [EVENTTYPE] = %d, [FILEPOS] = "
                          "%d, [EXPLAIN] = '%s' "
                          "WHERE [ID] = %d",
                          info.nSceneID, info.nEventType, info.nFilePos,
                          SqlQuote(tessera::ExplainText(info.szExplain).c_str()).c_str(), id))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CEventDataBase::AddEvent(const stEventInfo& info) {
  if (!m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "INSERT INTO [EVENTTABLE] ([SCENEID],[EVENTTYPE],[FILEPOS],[EXPLAIN]) "
                          "VALUES(%d,%d,%d,'%s')",
                          info.nSceneID, info.nEventType, info.nFilePos,
                          SqlQuote(tessera::ExplainText(info.szExplain).c_str()).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CEventDataBase::DelEvent(int id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "EVENTTABLE", "ID", id);
}

bool CEventDataBase::DelAllEvent() {
  return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "EVENTTABLE");
}

long CEventDataBase::GetEventNumInScene(long sceneId) {
  if (!m_pDataBase) return 0;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT * FROM [EVENTTABLE] WHERE [SCENEID] = %d",
                static_cast<int>(sceneId));
  if (!m_pDataBase->OpenSource(m_szSQL, m_pRecordset)) return 0;
  m_bBrowsing = true;
  m_nCount = static_cast<int32_t>(m_pDataBase->GetRecordCount(m_pRecordset));
  return m_nCount;
}

bool CEventDataBase::GetEventInScene(stEventInfo* out) {
  if (!m_bBrowsing || !m_pRecordset || m_pRecordset->IsEOF()) return false;
  if (m_nCount <= 0) return true;
  for (int32_t i = 0; i < m_nCount && !m_pRecordset->IsEOF(); ++i) {
    if (!ReadRow(*m_pRecordset, out[i])) return false;
    m_pRecordset->MoveNext();
  }
  return true;
}

bool CEventDataBase::DelEventInScene(long sceneId) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "EVENTTABLE", "SCENEID",
                             static_cast<int>(sceneId));
}
