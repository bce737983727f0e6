#include "database/pack_file_database.h"

#include <cstring>

#include "database/database.h"
#include "database/sql_text.h"
#include "database/table_iteration.h"
#include "database/table_message.h"

namespace {

// "添加打包文件"
constexpr char kCaption[] = "\xCC\xED\xBC\xD3\xB4\xF2\xB0\xFC\xCE\xC4\xBC\xFE";

// Reads the current row, every column, into `info`.
bool ReadRow(const tessera::RecordSet& rs, stPackFileInfo& info) {
  stPackFileInfo row;
  if (!rs.GetText(0, row.szID, sizeof row.szID) || !rs.GetText(1, row.szType, sizeof row.szType) ||
      !rs.GetText(2, row.szPackName, sizeof row.szPackName) || !rs.GetUInt8(3, row.bPacked) ||
      !rs.GetText(4, row.szPath, sizeof row.szPath) ||
      !rs.GetText(5, row.szExplain, sizeof row.szExplain))
    return false;
  info = row;
  return true;
}

bool FieldsTerminated(const stPackFileInfo& info) {
  return tessera::Terminated(info.szID) && tessera::Terminated(info.szType) &&
         tessera::Terminated(info.szPackName) && tessera::Terminated(info.szPath) &&
         tessera::Terminated(info.szExplain);
}

// The remaining checks of AddFile and SetFileInfo, after the identifier's.
bool ValidateRest(const stPackFileInfo& info) {
  if (tessera::Empty(info.szType)) return tessera::TableMessage(tessera::kTypeEmpty, kCaption);
  if (tessera::Empty(info.szPackName))
    return tessera::TableMessage(tessera::kPackNameEmpty, kCaption);
  if (tessera::Empty(info.szPath)) return tessera::TableMessage(tessera::kPathEmpty, kCaption);
  return true;
}

const char* Explain(const stPackFileInfo& info) {
  return info.szExplain[0] ? info.szExplain : tessera::kNoExplain;
}

}  // namespace

using tessera::SqlQuote;

CPackFileDataBase::CPackFileDataBase(const char* path)
    : m_pDataBase(AfxGetDataBase(path)), m_bBrowsing(false) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CPackFileDataBase::~CPackFileDataBase() = default;

bool CPackFileDataBase::AddFile(const stPackFileInfo& info) {
  if (!FieldsTerminated(info)) return false;
  if (tessera::Empty(info.szID)) return tessera::TableMessage(tessera::kIdEmpty, kCaption);
  if (!ValidateRest(info) || !m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [FILETABLE] WHERE [ID] = '%s'",
                          SqlQuote(info.szID).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) > 0) return false;
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "INSERT INTO [FILETABLE] ([ID],[TYPE],[PACKNAME],[PACKED],[PATH],[EXPLAIN]) VALUES "
          "('%s','%s','%s',%d,'%s','%s')",
          SqlQuote(info.szID).c_str(), SqlQuote(info.szType).c_str(),
          SqlQuote(info.szPackName).c_str(), static_cast<int>(info.bPacked),
          SqlQuote(info.szPath).c_str(), SqlQuote(Explain(info)).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPackFileDataBase::SetFileInfo(const char* id, const stPackFileInfo& info) {
  if (tessera::Empty(id)) return tessera::TableMessage(tessera::kIdEmpty, kCaption);
  if (!FieldsTerminated(info)) return false;
  if (!ValidateRest(info) || !m_pDataBase) return false;
  if (std::strcmp(info.szID, id) != 0) {
    // A renaming: the new identifier must be free.
    if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                            "SELECT [ID] FROM [FILETABLE] WHERE [ID] = '%s'",
                            SqlQuote(info.szID).c_str()))
      return false;
    if (tessera::CountRows(m_pDataBase, m_szSQL) > 0) return false;
  } else {
    if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                            "SELECT [ID] FROM [FILETABLE] WHERE [ID] = '%s'", SqlQuote(id).c_str()))
      return false;
    if (tessera::CountRows(m_pDataBase, m_szSQL) == 0) return false;
  }
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "UPDATE [FILETABLE] SET [ID] = '%s', [TYPE] = '%s', [PACKNAME] = '%s', [PACKED] = %d, "
          "[PATH] = '%s', [EXPLAIN] = '%s' WHERE [ID] = '%s'",
          SqlQuote(info.szID).c_str(), SqlQuote(info.szType).c_str(),
          SqlQuote(info.szPackName).c_str(), static_cast<int>(info.bPacked),
          SqlQuote(info.szPath).c_str(), SqlQuote(Explain(info)).c_str(), SqlQuote(id).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CPackFileDataBase::GetFileInfo(const char* id, stPackFileInfo& info) {
  stPackFileInfo row;
  if (!id || !m_pDataBase || !tessera::CopyField(row.szID, id)) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT * FROM [FILETABLE] WHERE [ID] = '%s'",
                          SqlQuote(id).c_str()))
    return false;
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  if (!rs->GetText(1, row.szType, sizeof row.szType) ||
      !rs->GetText(2, row.szPackName, sizeof row.szPackName) || !rs->GetUInt8(3, row.bPacked) ||
      !rs->GetText(4, row.szPath, sizeof row.szPath) ||
      !rs->GetText(5, row.szExplain, sizeof row.szExplain))
    return false;
  info = row;
  return true;
}

bool CPackFileDataBase::DelFile(const char* id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "FILETABLE", "ID", id);
}

bool CPackFileDataBase::DelAllFile() {
  return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "FILETABLE");
}

bool CPackFileDataBase::EnablePacked(const char* id, bool packed) {
  if (!m_pDataBase || !id) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          packed ? "UPDATE [FILETABLE] SET [PACKED] = 1 WHERE [ID] = '%s'"
                                 : "UPDATE [FILETABLE] SET [PACKED] = 0 WHERE [ID] = '%s'",
                          SqlQuote(id).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

long CPackFileDataBase::GetSourceNum(const char* packName, int packed) {
  if (packed < -1 || packed > 1) return 0;
  bool ok;
  if (packName) {
    std::string name = SqlQuote(packName);
    if (packed == 1)
      ok = tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                              "SELECT * FROM [FILETABLE] WHERE [PACKNAME] = '%s' AND [PACKED] = 1",
                              name.c_str());
    else if (packed == 0)
      ok = tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                              "SELECT * FROM [FILETABLE] WHERE [PACKNAME] = '%s' AND [PACKED] = 0",
                              name.c_str());
    else
      ok = tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                              "SELECT * FROM [FILETABLE] WHERE [PACKNAME] = '%s'", name.c_str());
  } else {
    const char* sql = packed == 1   ? "SELECT * FROM [FILETABLE] WHERE [PACKED] = 1"
                      : packed == 0 ? "SELECT * FROM [FILETABLE] WHERE [PACKED] = 0"
                                    : "SELECT * FROM [FILETABLE]";
    ok = tessera::FormatSql(m_szSQL, sizeof m_szSQL, "%s", sql);
  }
  return ok ? tessera::OpenIteration(m_pDataBase, m_szSQL, m_pRecordset, m_bBrowsing) : 0;
}

bool CPackFileDataBase::GetSourceFirstFile(stPackFileInfo& info) {
  return tessera::IterationFirst(m_pRecordset, m_bBrowsing) && ReadRow(*m_pRecordset, info);
}

bool CPackFileDataBase::GetSourceNextFile(stPackFileInfo& info) {
  return tessera::IterationNext(m_pRecordset, m_bBrowsing) && ReadRow(*m_pRecordset, info);
}
