#include "database/person_database.h"

#include <cstring>

#include "database/database.h"
#include "database/scene_table_text.h"
#include "database/sql_text.h"

namespace {

using tessera::SqlQuote;

bool Terminated(const stPersonInfo& p) {
  return tessera::Terminated(p.szName) && tessera::Terminated(p.szStandPic) &&
         tessera::Terminated(p.szWalkPic) && tessera::Terminated(p.szRunPic) &&
         tessera::Terminated(p.szAttackPic);
}

// Columns 2 to 16 of the current row.
bool ReadRest(const tessera::RecordSet& rs, stPersonInfo& p) {
  return rs.GetText(2, p.szExplain, sizeof p.szExplain) && rs.GetInt32(3, p.nWidth) &&
         rs.GetInt32(4, p.nHeight) && rs.GetInt32(5, p.nDrawXOffset) &&
         rs.GetInt32(6, p.nDrawYOffset) && rs.GetInt32(7, p.nType) && rs.GetInt32(8, p.nState) &&
         rs.GetText(9, p.szStandPic, sizeof p.szStandPic) &&
         rs.GetText(10, p.szWalkPic, sizeof p.szWalkPic) &&
         rs.GetText(11, p.szRunPic, sizeof p.szRunPic) &&
         rs.GetText(12, p.szAttackPic, sizeof p.szAttackPic) && rs.GetInt32(13, p.nStandPicNum) &&
         rs.GetInt32(14, p.nWalkPicNum) && rs.GetInt32(15, p.nRunPicNum) &&
         rs.GetInt32(16, p.nAttackPicNum);
}

bool ReadAll(const tessera::RecordSet& rs, stPersonInfo& info) {
  stPersonInfo row;
  if (!rs.GetInt32(0, row.nID) || !rs.GetText(1, row.szName, sizeof row.szName) ||
      !ReadRest(rs, row))
    return false;
  info = row;
  return true;
}

// The sixteen columns of both UPDATEs and of the INSERT, in table order.
constexpr char kSetColumns[] =
    "UPDATE [PERSONTABLE] SET [NAME] = '%s', [EXPLAIN] = '%s', [WIDTH] = %d, [HEIGHT] = %d, "
    "[DRAWXOFFSET] = %d, "
    "[DRAWYOFFSET] = %d, [TYPE] = %d, [STATE] = %d, [STANDPIC] = '%s', [WALKPIC] = '%s', [RUNPIC] "
    "= '%s', "
    "[ATTACKPIC] = '%s', [STANDPICNUM] = %d, [WALKPICNUM] = %d, [RUNPICNUM] = %d, [ATTACKPICNUM] = "
    "%d %s";

bool RunUpdate(CDataBase* db, char* sql, size_t size, const stPersonInfo& p,
               const std::string& where) {
  if (!tessera::FormatSql(sql, size, kSetColumns, SqlQuote(p.szName).c_str(),
                          SqlQuote(tessera::ExplainText(p.szExplain).c_str()).c_str(), p.nWidth,
                          p.nHeight, p.nDrawXOffset, p.nDrawYOffset, p.nType, p.nState,
                          SqlQuote(p.szStandPic).c_str(), SqlQuote(p.szWalkPic).c_str(),
                          SqlQuote(p.szRunPic).c_str(), SqlQuote(p.szAttackPic).c_str(),
                          p.nStandPicNum, p.nWalkPicNum, p.nRunPicNum, p.nAttackPicNum,
                          where.c_str()))
    return false;
  return db->ExecuteCommand(sql);
}

}  // namespace

CPersonDataBase::CPersonDataBase(const char* path) : m_pDataBase(AfxGetDataBase(path)) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CPersonDataBase::~CPersonDataBase() = default;

bool CPersonDataBase::GetPersonInfo(int id, stPersonInfo& info) {
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT * FROM [PERSONTABLE] WHERE [ID] = %d", id);
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  stPersonInfo row;
  row.nID = id;
  if (!rs->GetText(1, row.szName, sizeof row.szName) || !ReadRest(*rs, row)) return false;
  info = row;
  return true;
}

bool CPersonDataBase::GetPersonInfo(const char* name, stPersonInfo& info) {
  stPersonInfo row;
  if (!m_pDataBase || !name || !tessera::CopyField(row.szName, name)) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "SELECT * FROM [PERSONTABLE] WHERE [NAME] = '%s'",
                          SqlQuote(name).c_str()))
    return false;
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  if (!rs->GetInt32(0, row.nID) || !ReadRest(*rs, row)) return false;
  info = row;
  return true;
}

bool CPersonDataBase::SetPersonInfo(int id, const stPersonInfo& info) {
  if (!Terminated(info)) return false;
  if (tessera::Empty(info.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionSetPerson);
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [PERSONTABLE] WHERE [ID] = %d", id);
  if (tessera::CountRows(m_pDataBase, m_szSQL) <= 0) return false;
  return RunUpdate(m_pDataBase, m_szSQL, sizeof m_szSQL, info,
                   "WHERE [ID] = " + std::to_string(id));
}

bool CPersonDataBase::SetPersonInfo(const char* name, const stPersonInfo& info) {
  if (!Terminated(info)) return false;
  if (tessera::Empty(info.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionSetPerson);
  if (!m_pDataBase || !name) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "SELECT [ID] FROM [PERSONTABLE] WHERE [NAME] = '%s'",
                          SqlQuote(name).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) <= 0) return false;
  return RunUpdate(m_pDataBase, m_szSQL, sizeof m_szSQL, info,
                   "WHERE [NAME] = '" + SqlQuote(name) + "'");
}

bool CPersonDataBase::AddPerson(const stPersonInfo& info) {
  if (!Terminated(info)) return false;
  if (tessera::Empty(info.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionAddPerson);
  if (!m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "SELECT [ID] FROM [PERSONTABLE] WHERE [NAME] = '%s'",
                          SqlQuote(info.szName).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) > 0) {
    SetPersonInfo(info.szName, info);
    return true;
  }
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "INSERT INTO [PERSONTABLE] "
          "([NAME],[EXPLAIN],[WIDTH],[HEIGHT],[DRAWXOFFSET],[DRAWYOFFSET],[TYPE],[STATE],"
          "[STANDPIC],[WALKPIC],[RUNPIC],[ATTACKPIC],[STANDPICNUM],[WALKPICNUM],[RUNPICNUM],["
          "ATTACKPICNUM]) "
          "VALUES('%s','%s',%d,%d,%d,%d,%d,%d,'%s','%s','%s','%s',%d,%d,%d,%d)",
          SqlQuote(info.szName).c_str(),
          SqlQuote(tessera::ExplainText(info.szExplain).c_str()).c_str(), info.nWidth, info.nHeight,
          info.nDrawXOffset, info.nDrawYOffset, info.nType, info.nState,
          SqlQuote(info.szStandPic).c_str(), SqlQuote(info.szWalkPic).c_str(),
          SqlQuote(info.szRunPic).c_str(), SqlQuote(info.szAttackPic).c_str(), info.nStandPicNum,
          info.nWalkPicNum, info.nRunPicNum, info.nAttackPicNum))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPersonDataBase::DelPerson(int id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "PERSONTABLE", "ID", id);
}

bool CPersonDataBase::DelPerson(const char* name) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "PERSONTABLE", "NAME", name);
}

bool CPersonDataBase::DelAllPerson() {
  return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "PERSONTABLE");
}

long CPersonDataBase::GetAllNum() {
  if (!m_pDataBase) return 0;
  std::strcpy(m_szSQL, "SELECT * FROM [PERSONTABLE]");
  if (!m_pDataBase->OpenSource(m_szSQL, m_pRecordset)) return 0;
  return m_pDataBase->GetRecordCount(m_pRecordset);
}

bool CPersonDataBase::GetAllFirstPerson(stPersonInfo& info) {
  if (!m_pRecordset || m_pRecordset->RowCount() == 0) return false;
  m_pRecordset->MoveFirst();
  return ReadAll(*m_pRecordset, info);
}

bool CPersonDataBase::GetAllNextPerson(stPersonInfo& info) {
  if (!m_pRecordset) return false;
  m_pRecordset->MoveNext();
  if (m_pRecordset->IsEOF()) return false;
  return ReadAll(*m_pRecordset, info);
}
