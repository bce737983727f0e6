#include "database/pack_ani_database.h"

#include <cstring>

#include "database/database.h"
#include "database/sql_text.h"
#include "database/table_iteration.h"
#include "database/table_message.h"

namespace {

// "添加动画资源"
constexpr char kCaption[] = "\xCC\xED\xBC\xD3\xB6\xAF\xBB\xAD\xD7\xCA\xD4\xB4";

// Reads columns 1 to 8 of the current row into `info`.
bool ReadFields(const tessera::RecordSet& rs, stPackAniInfo& info) {
  return rs.GetInt32(1, info.nDelay) && rs.GetInt32(2, info.nNumber) && rs.GetInt32(3, info.nX) &&
         rs.GetInt32(4, info.nY) && rs.GetInt32(5, info.nSX) && rs.GetInt32(6, info.nSY) &&
         rs.GetUInt8(7, info.bAutoStop) && rs.GetText(8, info.szImageType, sizeof info.szImageType);
}

// Reads the whole current row, the identifier from column 0.
bool ReadRow(const tessera::RecordSet& rs, stPackAniInfo& info) {
  stPackAniInfo row;
  if (!rs.GetText(0, row.szID, sizeof row.szID) || !ReadFields(rs, row)) return false;
  info = row;
  return true;
}

}  // namespace

using tessera::SqlQuote;

CPackAniDataBase::CPackAniDataBase(const char* path)
    : m_pDataBase(AfxGetDataBase(path)), m_bBrowsing(false) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CPackAniDataBase::~CPackAniDataBase() = default;

bool CPackAniDataBase::AddAni(const stPackAniInfo& info) {
  if (!tessera::Terminated(info.szID) || !tessera::Terminated(info.szImageType)) return false;
  if (tessera::Empty(info.szID)) return tessera::TableMessage(tessera::kIdEmpty, kCaption);
  if (!m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [ANITABLE] WHERE [ID] = '%s'",
                          SqlQuote(info.szID).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) > 0) return SetAniInfo(info.szID, info);
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "INSERT INTO [ANITABLE] ([ID],[DELAY],[NUMBER],[X],[Y],[SX],[SY],[AUTOSTOP],[IMAGETYPE]) "
          "VALUES ('%s',%d,%d,%d,%d,%d,%d,%d,'%s')",
          SqlQuote(info.szID).c_str(), info.nDelay, info.nNumber, info.nX, info.nY, info.nSX,
          info.nSY, static_cast<int>(info.bAutoStop), SqlQuote(info.szImageType).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPackAniDataBase::SetAniInfo(const char* id, const stPackAniInfo& info) {
  if (tessera::Empty(id)) return tessera::TableMessage(tessera::kIdEmpty, kCaption);
  if (!tessera::Terminated(info.szImageType) || !m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [ANITABLE] WHERE [ID] = '%s'",
                          SqlQuote(id).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) == 0) return false;
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "UPDATE [ANITABLE] SET [DELAY] = %d, [NUMBER] = %d, [X] = %d, [Y] = %d, [SX] = %d, "
          "[SY] = %d, [AUTOSTOP] = %d, [IMAGETYPE] = '%s' WHERE [ID] = '%s'",
          info.nDelay, info.nNumber, info.nX, info.nY, info.nSX, info.nSY,
          static_cast<int>(info.bAutoStop), SqlQuote(info.szImageType).c_str(),
          SqlQuote(id).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPackAniDataBase::GetAniInfo(const char* id, stPackAniInfo& info) {
  stPackAniInfo row;
  if (!id || !m_pDataBase || !tessera::CopyField(row.szID, id)) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT * FROM [ANITABLE] WHERE [ID] = '%s'",
                          SqlQuote(id).c_str()))
    return false;
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  if (!ReadFields(*rs, row)) return false;
  info = row;
  return true;
}

bool CPackAniDataBase::DelAni(const char* id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "ANITABLE", "ID", id);
}

bool CPackAniDataBase::DelAllAni() {
  return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "ANITABLE");
}

long CPackAniDataBase::GetNumFromID(const char* id) {
  bool ok =
      tessera::Empty(id)
          ? tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT * FROM [ANITABLE] order by [ID]")
          : tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                               "SELECT * FROM [ANITABLE] WHERE [ID] = '%s'", SqlQuote(id).c_str());
  return ok ? tessera::OpenIteration(m_pDataBase, m_szSQL, m_pRecordset, m_bBrowsing) : 0;
}

bool CPackAniDataBase::GetFirstAniFromID(stPackAniInfo& info) {
  return tessera::IterationFirst(m_pRecordset, m_bBrowsing) && ReadRow(*m_pRecordset, info);
}

bool CPackAniDataBase::GetNextAniFromID(stPackAniInfo& info) {
  return tessera::IterationNext(m_pRecordset, m_bBrowsing) && ReadRow(*m_pRecordset, info);
}

bool CPackAniDataBase::GetOneAni(stPackAniInfo& info) {
  return tessera::IterationCurrent(m_pRecordset, m_bBrowsing) && ReadRow(*m_pRecordset, info);
}

bool CPackAniDataBase::SkipToNext() {
  if (!tessera::IterationCurrent(m_pRecordset, m_bBrowsing)) return false;
  int32_t frames = 0;
  // A frame count that cannot be read counts as none: stay where we are.
  if (!m_pRecordset->GetInt32(2, frames) || frames < 1) return true;
  for (int32_t i = 0; i < frames; ++i)
    if (!tessera::IterationNext(m_pRecordset, m_bBrowsing)) return false;
  return true;
}
