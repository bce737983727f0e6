#include "database/map_database.h"

#include <cstring>

#include "database/database.h"
#include "database/scene_table_text.h"
#include "database/sql_text.h"

namespace {

using tessera::SqlQuote;

// "CMapDataBase::SetMapInfo() Error"
constexpr char kSetCaption[] = "CMapDataBase::SetMapInfo() Error";

bool Terminated(const stMapInfo& m) {
  return tessera::Terminated(m.szName) && tessera::Terminated(m.szPicInfo);
}

// The validation shared by both sets: the name, then the picture.
bool ValidateSet(const stMapInfo& m) {
  // "修改物品" is the caption the map table shows for its own records too.
  if (tessera::Empty(m.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionSetGoods);
  if (tessera::Empty(m.szPicInfo)) return tessera::TableMessage(tessera::kPicInfoEmpty, "");
  return true;
}

// Reads columns `first` to 7 of the current row into `m`.
bool ReadColumns(const tessera::RecordSet& rs, int first, stMapInfo& m) {
  if (first <= 0 && !rs.GetInt32(0, m.nID)) return false;
  return rs.GetText(1, m.szName, sizeof m.szName) &&
         rs.GetText(2, m.szExplain, sizeof m.szExplain) && rs.GetInt32(3, m.nWidth) &&
         rs.GetInt32(4, m.nHeight) && rs.GetInt32(5, m.nUnitSize) && rs.GetInt32(6, m.nGoodsNum) &&
         rs.GetText(7, m.szPicInfo, sizeof m.szPicInfo);
}

}  // namespace

CMapDataBase::CMapDataBase(const char* path) : m_pDataBase(AfxGetDataBase(path)) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CMapDataBase::~CMapDataBase() = default;

bool CMapDataBase::GetMapInfo(int id, stMapInfo& info) {
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT * FROM [MAPTABLE] WHERE [ID] = %d", id);
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  stMapInfo row;
  row.nID = id;
  if (!ReadColumns(*rs, 1, row)) return false;
  info = row;
  return true;
}

bool CMapDataBase::GetMapInfo(const char* name, stMapInfo& info) {
  if (!m_pDataBase || !name) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT * FROM [MAPTABLE] WHERE [NAME] = '%s'",
                          SqlQuote(name).c_str()))
    return false;
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  stMapInfo row;
  if (!ReadColumns(*rs, 0, row)) return false;
  info = row;
  return true;
}

// The UPDATE of both sets, with the WHERE clause given ready-made.
static bool RunUpdate(CDataBase* db, char* sql, size_t size, const stMapInfo& m,
                      const std::string& where) {
  if (!tessera::FormatSql(
          sql, size,
          "UPDATE [MAPTABLE] SET [NAME] = '%s', [EXPLAIN] = '%s', [WIDTH] = %d, [HEIGHT] = %d, "
          "[UNITSIZE] = %d, [GOODSNUM] = %d, [PICINFO] = '%s' %s",
          SqlQuote(m.szName).c_str(), SqlQuote(tessera::ExplainText(m.szExplain).c_str()).c_str(),
          m.nWidth, m.nHeight, m.nUnitSize, m.nGoodsNum, SqlQuote(m.szPicInfo).c_str(),
          where.c_str()))
    return false;
  return db->ExecuteCommand(sql);
}

bool CMapDataBase::SetMapInfo(int id, const stMapInfo& info) {
  if (!Terminated(info) || !ValidateSet(info) || !m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [MAPTABLE] WHERE [ID] = %d", id);
  long n = tessera::CountRows(m_pDataBase, m_szSQL);
  if (n < 0) return false;
  // "没有这个地图 id = %d"
  if (n == 0)
    return tessera::TableMessageF(kSetCaption,
                                  "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC id = %d", id);
  return RunUpdate(m_pDataBase, m_szSQL, sizeof m_szSQL, info,
                   "WHERE [ID] = " + std::to_string(id));
}

bool CMapDataBase::SetMapInfo(const char* name, const stMapInfo& info) {
  if (!Terminated(info) || !ValidateSet(info) || !m_pDataBase || !name) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL, "SELECT ID FROM [MAPTABLE] WHERE [NAME] = '%s'",
                          SqlQuote(name).c_str()))
    return false;
  long n = tessera::CountRows(m_pDataBase, m_szSQL);
  if (n < 0) return false;
  // "没有这个地图 NAME = %s"
  if (n == 0)
    return tessera::TableMessageF(
        kSetCaption, "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC NAME = %s", name);
  return RunUpdate(m_pDataBase, m_szSQL, sizeof m_szSQL, info,
                   "WHERE [NAME] = '" + SqlQuote(name) + "'");
}

bool CMapDataBase::AddMap(const stMapInfo& info) {
  if (!Terminated(info)) return false;
  if (tessera::Empty(info.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionAddGoods);
  if (tessera::Empty(info.szPicInfo)) return tessera::TableMessage(tessera::kPicInfoEmpty, "");
  if (!m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "SELECT [ID] FROM [MAPTABLE] WHERE [NAME] = '%s'",
                          SqlQuote(info.szName).c_str()))
    return false;
  if (tessera::CountRows(m_pDataBase, m_szSQL) > 0) {
    SetMapInfo(info.szName, info);
    return true;
  }
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "INSERT INTO [MAPTABLE] "
                          "([NAME],[EXPLAIN],[WIDTH],[HEIGHT],[UNITSIZE],[GOODSNUM],[PICINFO]) "
                          "VALUES('%s','%s',%d,%d,%d,%d,'%s')",
                          SqlQuote(info.szName).c_str(),
                          SqlQuote(tessera::ExplainText(info.szExplain).c_str()).c_str(),
                          info.nWidth, info.nHeight, info.nUnitSize, info.nGoodsNum,
                          SqlQuote(info.szPicInfo).c_str()))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CMapDataBase::DelMap(int id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "MAPTABLE", "ID", id);
}

bool CMapDataBase::DelMap(const char* name) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "MAPTABLE", "NAME", name);
}

bool CMapDataBase::DelAllMap() { return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "MAPTABLE"); }
