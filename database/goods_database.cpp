#include "database/goods_database.h"

#include <cstring>

#include "database/database.h"
#include "database/scene_table_text.h"
#include "database/sql_text.h"

namespace {

using tessera::SqlQuote;

bool Terminated(const stGoodsInfo& g) {
  return tessera::Terminated(g.szName) && tessera::Terminated(g.szPicInfo) &&
         tessera::Terminated(g.szShadowInfo);
}

// Columns `first` to 14 of the current row.
bool ReadColumns(const tessera::RecordSet& rs, int first, stGoodsInfo& g) {
  if (first <= 0 && !rs.GetInt32(0, g.nID)) return false;
  return rs.GetInt32(1, g.nMapID) && rs.GetText(2, g.szName, sizeof g.szName) &&
         rs.GetText(3, g.szExplain, sizeof g.szExplain) && rs.GetInt32(4, g.nWidth) &&
         rs.GetInt32(5, g.nHeight) && rs.GetInt32(6, g.nDrawX) && rs.GetInt32(7, g.nDrawY) &&
         rs.GetInt32(8, g.nTrueX) && rs.GetInt32(9, g.nTrueY) &&
         rs.GetText(10, g.szPicInfo, sizeof g.szPicInfo) &&
         rs.GetText(11, g.szShadowInfo, sizeof g.szShadowInfo) && rs.GetInt32(12, g.nPicNum) &&
         rs.GetInt32(13, g.nType) && rs.GetInt32(14, g.nUseAlpha);
}

}  // namespace

CGoodsDataBase::CGoodsDataBase(const char* path) : m_pDataBase(AfxGetDataBase(path)) {
  std::memset(m_szSQL, 0, sizeof m_szSQL);
}

CGoodsDataBase::~CGoodsDataBase() = default;

bool CGoodsDataBase::GetGoodsInfo(int id, stGoodsInfo& info) {
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT * FROM [GOODSTABLE] WHERE [ID] = %d", id);
  tessera::RecordsetPtr rs;
  if (!m_pDataBase->OpenSource(m_szSQL, rs) || m_pDataBase->GetRecordCount(rs) == 0) return false;
  stGoodsInfo row;
  row.nID = id;
  if (!ReadColumns(*rs, 1, row)) return false;
  info = row;
  return true;
}

bool CGoodsDataBase::SetGoodsInfo(int id, const stGoodsInfo& info) {
  if (!Terminated(info)) return false;
  if (tessera::Empty(info.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionSetGoods);
  if (tessera::Empty(info.szPicInfo))
    return tessera::TableMessage(tessera::kPicInfoEmpty, tessera::kCaptionSetGoods);
  if (tessera::Empty(info.szShadowInfo))
    return tessera::TableMessage(tessera::kShadowInfoEmpty, "");
  if (!m_pDataBase) return false;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT ID FROM [GOODSTABLE] WHERE [ID] = %d", id);
  long n = tessera::CountRows(m_pDataBase, m_szSQL);
  if (n < 0) return false;
  // "没有这个物品 id = %d"
  if (n == 0)
    return tessera::TableMessageF("CGoodsDataBase::SetGoodsInfo() Error",
                                  "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xCE\xEF\xC6\xB7 id = %d", id);
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "UPDATE [GOODSTABLE] SET [MAPID] = %d, [NAME] = '%s', [EXPLAIN] = '%s', [WIDTH] = %d, "
          "[HEIGHT] = %d, [DRAWX] = %d, [DRAWY] = %d, [TRUEX] = %d, [TRUEY] = %d, [PICINFO] = "
          "'%s', "
          "[PICNUM] = %d, [TYPE] = %d, [USEALPHA] = %d WHERE [ID] = %d",
          info.nMapID, SqlQuote(info.szName).c_str(),
          SqlQuote(tessera::ExplainText(info.szExplain).c_str()).c_str(), info.nWidth, info.nHeight,
          info.nDrawX, info.nDrawY, info.nTrueX, info.nTrueY, SqlQuote(info.szPicInfo).c_str(),
          info.nPicNum, info.nType, info.nUseAlpha, id))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CGoodsDataBase::AddGoods(const stGoodsInfo& info) {
  if (!Terminated(info)) return false;
  if (tessera::Empty(info.szName))
    return tessera::TableMessage(tessera::kNameEmpty, tessera::kCaptionAddGoods);
  if (tessera::Empty(info.szPicInfo)) return tessera::TableMessage(tessera::kPicInfoEmpty, "");
  if (tessera::Empty(info.szShadowInfo))
    return tessera::TableMessage(tessera::kShadowInfoEmpty, "");
  if (!m_pDataBase) return false;
  if (!tessera::FormatSql(m_szSQL, sizeof m_szSQL,
                          "SELECT [ID] FROM [GOODSTABLE] WHERE [NAME] = '%s' AND [MAPID] = %d",
                          SqlQuote(info.szName).c_str(), info.nMapID))
    return false;
  tessera::RecordsetPtr rs;
  if (m_pDataBase->OpenSource(m_szSQL, rs) && m_pDataBase->GetRecordCount(rs) > 0) {
    int32_t found = 0;
    if (!rs->GetInt32(0, found)) return false;
    return SetGoodsInfo(found, info);
  }
  if (!tessera::FormatSql(
          m_szSQL, sizeof m_szSQL,
          "INSERT INTO [GOODSTABLE] "
          "([MAPID],[NAME],[EXPLAIN],[WIDTH],[HEIGHT],[DRAWX],[DRAWY],[TRUEX],"
          "[TRUEY],[PICINFO],[SHADOWINFO],[PICNUM],[TYPE],[USEALPHA]) "
          "VALUES(%d,'%s','%s',%d,%d,%d,%d,%d,%d,'%s','%s',%d,%d,%d)",
          info.nMapID, SqlQuote(info.szName).c_str(),
          SqlQuote(tessera::ExplainText(info.szExplain).c_str()).c_str(), info.nWidth, info.nHeight,
          info.nDrawX, info.nDrawY, info.nTrueX, info.nTrueY, SqlQuote(info.szPicInfo).c_str(),
          SqlQuote(info.szShadowInfo).c_str(), info.nPicNum, info.nType, info.nUseAlpha))
    return false;
  return m_pDataBase->ExecuteCommand(m_szSQL);
}

bool CGoodsDataBase::DelGoods(int id) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "GOODSTABLE", "ID", id);
}

bool CGoodsDataBase::DelGoods(const char* name) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "GOODSTABLE", "NAME", name);
}

bool CGoodsDataBase::DelAllGoods() {
  return tessera::DeleteAllRows(m_pDataBase, m_szSQL, "GOODSTABLE");
}

long CGoodsDataBase::GetGoodsNumInMap(int mapId) {
  if (!m_pDataBase) return 0;
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT [ID] FROM [GOODSTABLE] WHERE [MAPID] = %d", mapId);
  long n = tessera::CountRows(m_pDataBase, m_szSQL);
  m_nLastMap = mapId;
  m_nLastCount = n < 0 ? 0 : n;
  return m_nLastCount;
}

bool CGoodsDataBase::GetGoodsInMap(int mapId, stGoodsInfo* out) {
  std::snprintf(m_szSQL, sizeof m_szSQL, "SELECT * FROM [GOODSTABLE] WHERE [MAPID] = %d", mapId);
  tessera::RecordsetPtr rs;
  // "这个地图没有物体"
  if (!m_pDataBase || !m_pDataBase->OpenSource(m_szSQL, rs))
    return tessera::TableMessage("\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC\xC3\xBB\xD3\xD0\xCE\xEF\xCC\xE5",
                                 "");
  long count = m_pDataBase->GetRecordCount(rs);
  if (count == 0 || !out) return false;
  // The caller sized `out` from the latest count of this map; never fill
  // more than that.
  long room = (m_nLastCount >= 0 && m_nLastMap == mapId) ? m_nLastCount : count;
  rs->MoveFirst();
  for (long i = 0; !rs->IsEOF() && i < room; ++i) {
    stGoodsInfo row;
    if (!ReadColumns(*rs, 0, row)) return false;
    out[i] = row;
    rs->MoveNext();
  }
  return true;
}

bool CGoodsDataBase::DelGoodsInMap(int mapId) {
  return tessera::DeleteRows(m_pDataBase, m_szSQL, "GOODSTABLE", "MAPID", mapId);
}
