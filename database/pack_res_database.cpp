#include "database/pack_res_database.h"

#include <cstring>

#include "database/database.h"
#include "database/sql_text.h"
#include "database/table_message.h"

namespace {
// "添加资源"
constexpr char kCaption[] = "\xCC\xED\xBC\xD3\xD7\xCA\xD4\xB4";
}  // namespace

using tessera::SqlQuote;

CPackResDataBase::CPackResDataBase(const char* path) : m_pDataBase(AfxGetDataBase(path)) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CPackResDataBase::~CPackResDataBase() = default;

bool CPackResDataBase::AddRes(const stPackResInfo& info) {
  if (!tessera::Terminated(info.szID) || !tessera::Terminated(info.szPackName)) return false;
  if (tessera::Empty(info.szID)) return tessera::TableMessage(tessera::kIdEmpty, kCaption);
  if (tessera::Empty(info.szPackName))
    return tessera::TableMessage(tessera::kPackNameEmpty, kCaption);
  if (!m_pDataBase) return false;

  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [RESTABLE] WHERE [ID] = '%s'",
                          SqlQuote(info.szID).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) > 0) {
    SetResInfo(info.szID, info);
    return true;
  }
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "INSERT INTO [RESTABLE] ([ID],[PACKNAME],[START],[END]) VALUES ('%s','%s',%d,%d)",
          SqlQuote(info.szID).c_str(), SqlQuote(info.szPackName).c_str(), info.nStart, info.nEnd))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPackResDataBase::SetResInfo(const char* id, const stPackResInfo& info) {
  if (tessera::Empty(id)) return tessera::TableMessage(tessera::kIdEmpty, kCaption);
  if (!tessera::Terminated(info.szPackName)) return false;
  if (tessera::Empty(info.szPackName))
    return tessera::TableMessage(tessera::kPackNameEmpty, kCaption);
  if (!m_pDataBase) return false;

  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [RESTABLE] WHERE [ID] = '%s'",
                          SqlQuote(id).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) == 0) return false;
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "UPDATE [RESTABLE] SET [PACKNAME] = '%s', [START] = %d, [END] = %d WHERE [ID] = '%s'",
          SqlQuote(info.szPackName).c_str(), info.nStart, info.nEnd, SqlQuote(id).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPackResDataBase::GetResInfo(const char* id, stPackResInfo& info) {
  // The identifier is copied into the record, so one longer than its field
  // cannot be a resource's.
  stPackResInfo row;
  if (!id || !m_pDataBase || !tessera::CopyField(row.szID, id)) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT * FROM [RESTABLE] WHERE [ID] = '%s'",
                          SqlQuote(id).c_str()))
    return false;
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs)) return false;
  if (m_pDataBase->GetRecordCount(rs) == 0) return false;
  if (!rs->GetText(1, row.szPackName, sizeof row.szPackName) || !rs->GetInt32(2, row.nStart) ||
      !rs->GetInt32(3, row.nEnd))
    return false;
  info = row;
  return true;
}

bool CPackResDataBase::DelRes(const char* id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "RESTABLE", "ID", id);
}

bool CPackResDataBase::DelAllRes() {
  return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "RESTABLE");
}
