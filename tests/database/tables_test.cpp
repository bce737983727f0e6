// The engine's pack and scene tables over a real database: reads,
// add-or-update, the validation messages, iterations.
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/database.h"
#include "database/event_database.h"
#include "database/goods_database.h"
#include "database/map_database.h"
#include "database/pack_ani_database.h"
#include "database/pack_file_database.h"
#include "database/pack_res_database.h"
#include "database/person_database.h"
#include "database/schema.h"
#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace {

using tessera::HeadlessMessages;

// GBK texts, with the Chinese beside them.
std::string Empty(const std::string& field) {
  return field + " \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
}  // 不能为空
const char kResCaption[] = "\xCC\xED\xBC\xD3\xD7\xCA\xD4\xB4";                   // 添加资源
const char kFileCaption[] = "\xCC\xED\xBC\xD3\xB4\xF2\xB0\xFC\xCE\xC4\xBC\xFE";  // 添加打包文件
const char kAniCaption[] = "\xCC\xED\xBC\xD3\xB6\xAF\xBB\xAD\xD7\xCA\xD4\xB4";  // 添加动画资源
const char kNameEmpty[] = "\xC3\xFB\xD7\xD6\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";  // 名字不能为空
const char kPicEmpty[] =
    "\xCD\xBC\xC6\xAC\xD0\xC5\xCF\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";  // 图片信息不能为空
const char kShadowEmpty[] =  // 影子图片信息不能为空 随便填写也可以
    "\xD3\xB0\xD7\xD3\xCD\xBC\xC6\xAC\xD0\xC5\xCF\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5 "
    "\xCB\xE6\xB1\xE3\xCC\xEE\xD0\xB4\xD2\xB2\xBF\xC9\xD2\xD4";
const char kSetGoods[] = "\xD0\xDE\xB8\xC4\xCE\xEF\xC6\xB7";                 // 修改物品
const char kAddGoods[] = "\xD4\xF6\xBC\xD3\xCE\xEF\xC6\xB7";                 // 增加物品
const char kSetPerson[] = "\xD0\xDE\xB8\xC4\xC8\xCB\xCE\xEF";                // 修改人物
const char kAddPerson[] = "\xD4\xF6\xBC\xD3\xC8\xCB\xCE\xEF";                // 增加人物
const char kNoMap[] = "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC";    // 没有这个地图
const char kNoGoods[] = "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xCE\xEF\xC6\xB7";  // 没有这个物品
const char kNoEvent[] = "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xCA\xC2\xBC\xFE";  // 没有这个事件
const char kMapNoGoods[] =
    "\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC\xC3\xBB\xD3\xD0\xCE\xEF\xCC\xE5";  // 这个地图没有物体
const char kNone[] = "\xCE\xDE";                                         // 无

class TablesTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = dir_.path() + "\\game.mdb";
    ASSERT_TRUE(tessera::CreateDataBaseFile(path_));
    ASSERT_TRUE(AfxInitDataBase(path_.c_str()));
    db_ = AfxGetDataBase(path_.c_str());
  }
  long Count(const std::string& table) {
    tessera::RecordsetPtr rs;
    return db_->OpenSource(("SELECT * FROM [" + table + "]").c_str(), rs) ? db_->GetRecordCount(rs)
                                                                          : -1;
  }
  std::string Text(const std::string& sql) {
    tessera::RecordsetPtr rs;
    if (!db_->OpenSource(sql.c_str(), rs) || db_->GetRecordCount(rs) == 0) return "<none>";
    char buf[256] = {};
    return rs->GetText(0, buf, sizeof buf) ? buf : "<null>";
  }
  // The message boxes shown since the last check (text, caption; never an
  // icon), then forgets them.
  void ExpectMessages(const std::vector<std::pair<std::string, std::string>>& want) {
    ASSERT_EQ(HeadlessMessages().size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(HeadlessMessages()[i].text, want[i].first) << i;
      EXPECT_EQ(HeadlessMessages()[i].caption, want[i].second) << i;
      EXPECT_EQ(HeadlessMessages()[i].icon, tessera::MessageIcon::kNone) << i;
    }
    tessera::ClearHeadlessMessages();
  }

  tessera::test::TempDir dir_;
  std::string path_;
  CDataBase* db_ = nullptr;
};

stPackResInfo Res(const char* id, const char* pack, int32_t start, int32_t end) {
  stPackResInfo r;
  std::strcpy(r.szID, id);
  std::strcpy(r.szPackName, pack);
  r.nStart = start;
  r.nEnd = end;
  return r;
}

stMapInfo Map(const char* name, int w, const char* pic) {
  stMapInfo m{0, "", "", w, 2400, 32, 3, ""};
  std::strcpy(m.szName, name);
  std::strcpy(m.szPicInfo, pic);
  return m;
}

TEST_F(TablesTest, ResourceRowsAreAddedUpdatedReadAndDeleted) {
  CPackResDataBase res(path_.c_str());
  ASSERT_TRUE(res.AddRes(Res("bg00000001", "\\a.pak", 0, 100)));
  ASSERT_TRUE(res.AddRes(Res("bg00000002", "\\a.pak", 100, 164)));
  // Re-adding an identifier updates its row: still one row for it.
  ASSERT_TRUE(res.AddRes(Res("bg00000001", "*data\\b.pak", 164, 300)));
  EXPECT_EQ(Count("RESTABLE"), 2);
  stPackResInfo got;
  ASSERT_TRUE(res.GetResInfo("bg00000001", got));
  EXPECT_STREQ(got.szPackName, "*data\\b.pak");
  EXPECT_EQ(std::make_pair(got.nStart, got.nEnd), std::make_pair(164, 300));
  // Not found, and an identifier longer than the field: the record keeps
  // its contents.
  EXPECT_FALSE(res.GetResInfo("nothing", got));
  EXPECT_FALSE(res.GetResInfo("bg000000011", got));
  EXPECT_STREQ(got.szID, "bg00000001");

  EXPECT_TRUE(res.SetResInfo("bg00000002", Res("ignored", "\\c.pak", 5, 6)));
  ASSERT_TRUE(res.GetResInfo("bg00000002", got));
  EXPECT_EQ(got.nStart, 5);
  EXPECT_FALSE(res.GetResInfo("ignored", got));  // the identifier never changes
  EXPECT_FALSE(res.SetResInfo("nothing", Res("x", "\\c.pak", 5, 6)));

  EXPECT_TRUE(res.DelRes("bg00000002"));
  EXPECT_TRUE(res.DelRes("bg00000002"));  // nothing to delete is still a success
  EXPECT_EQ(Count("RESTABLE"), 1);
  EXPECT_TRUE(res.DelAllRes());
  EXPECT_EQ(Count("RESTABLE"), 0);

  EXPECT_FALSE(res.AddRes(Res("", "\\a.pak", 0, 1)));
  EXPECT_FALSE(res.AddRes(Res("id", "", 0, 1)));
  EXPECT_FALSE(res.SetResInfo(nullptr, Res("id", "\\a.pak", 0, 1)));
  EXPECT_FALSE(res.SetResInfo("id", Res("id", "", 0, 1)));
  ExpectMessages({{Empty("ID"), kResCaption},
                  {Empty("PACKNAME"), kResCaption},
                  {Empty("ID"), kResCaption},
                  {Empty("PACKNAME"), kResCaption}});
  EXPECT_EQ(Count("RESTABLE"), 0);

  // A quote inside a value is stored, not taken as the end of the value.
  ASSERT_TRUE(res.AddRes(Res("it's", "\\o'brien.pak", 1, 2)));
  EXPECT_TRUE(res.DelRes("' OR ''='"));
  EXPECT_EQ(Count("RESTABLE"), 1);
  ASSERT_TRUE(res.GetResInfo("it's", got));
  EXPECT_STREQ(got.szPackName, "\\o'brien.pak");
  // GBK: 中文 as identifier, 图片\ in a pack name (trail byte 0x5C).
  ASSERT_TRUE(res.AddRes(Res("\xD6\xD0\xCE\xC4", "\\\xCD\xBC\xC6\xAC\x5C.pak", 7, 9)));
  ASSERT_TRUE(res.GetResInfo("\xD6\xD0\xCE\xC4", got));
  EXPECT_STREQ(got.szPackName, "\\\xCD\xBC\xC6\xAC\x5C.pak");
  // A pack name that makes the UPDATE longer than its 512-byte buffer: cut
  // short, the statement could lose its WHERE and change every row.
  stPackResInfo big = Res("it's", (std::string("\\") + std::string(250, '\'')).c_str(), 9, 9);
  EXPECT_FALSE(res.SetResInfo("it's", big));
  ASSERT_TRUE(res.GetResInfo("\xD6\xD0\xCE\xC4", got));
  EXPECT_EQ(got.nStart, 7);
}

TEST_F(TablesTest, RowsOfOtherProgramsThatCannotBeReadFailTheRead) {
  // Rows made by other programs: a NULL, a range beyond 32 bits.
  ASSERT_TRUE(db_->ExecuteCommand("DROP INDEX [RESTABLE_ID]"));
  ASSERT_TRUE(db_->ExecuteCommand("CREATE TABLE [R2] ([ID],[PACKNAME],[START],[END])"));
  ASSERT_TRUE(db_->ExecuteCommand("DROP TABLE [RESTABLE]"));
  ASSERT_TRUE(db_->ExecuteCommand("ALTER TABLE [R2] RENAME TO [RESTABLE]"));
  ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO [RESTABLE] VALUES ('n', NULL, 0, 1)"));
  ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO [RESTABLE] VALUES ('big', 'p', 0, 4294967296)"));
  CPackResDataBase res(path_.c_str());
  stPackResInfo got = Res("keep", "keep", 1, 2);
  EXPECT_FALSE(res.GetResInfo("n", got));
  EXPECT_FALSE(res.GetResInfo("big", got));
  EXPECT_STREQ(got.szID, "keep");
  // A width that is not a number, a picture identifier too long for its
  // field.
  CMapDataBase maps(path_.c_str());
  for (const char* row : {"('bad','x','wide',10,32,0,'Bbad000001')",
                          "('long','x',1,10,32,0,'Bthis-identifier-is-far-too-long-for-it')"})
    ASSERT_TRUE(db_->ExecuteCommand(
        (std::string("INSERT INTO [MAPTABLE] ([NAME],[EXPLAIN],[WIDTH],[HEIGHT],"
                     "[UNITSIZE],[GOODSNUM],[PICINFO]) VALUES ") +
         row)
            .c_str()));
  stMapInfo m = Map("keep", 5, "Bkeep00000");
  EXPECT_FALSE(maps.GetMapInfo("bad", m));
  EXPECT_FALSE(maps.GetMapInfo("long", m));
  EXPECT_STREQ(m.szName, "keep");
  EXPECT_EQ(m.nWidth, 5);
}

stPackFileInfo File(const char* id, const char* type, const char* pack, uint8_t packed,
                    const char* path, const char* explain) {
  stPackFileInfo f;
  std::strcpy(f.szID, id);
  std::strcpy(f.szType, type);
  std::strcpy(f.szPackName, pack);
  f.bPacked = packed;
  std::strcpy(f.szPath, path);
  std::strcpy(f.szExplain, explain);
  return f;
}

TEST_F(TablesTest, FileRowsKeepExistingRowsAndRenameOnlyToFreeIdentifiers) {
  CPackFileDataBase files(path_.c_str());
  ASSERT_TRUE(files.AddFile(File("f1", "bmp", "\\a.pak", 0, "img\\f1.bmp", "")));
  // An existing identifier is not overwritten by AddFile.
  EXPECT_FALSE(files.AddFile(File("f1", "wav", "\\b.pak", 1, "snd\\x.wav", "other")));
  stPackFileInfo got;
  ASSERT_TRUE(files.GetFileInfo("f1", got));
  EXPECT_STREQ(got.szType, "bmp");
  EXPECT_STREQ(got.szExplain, kNone);  // for an empty explanation

  ASSERT_TRUE(files.AddFile(File("f2", "wav", "\\b.pak", 1, "snd\\f2.wav", "sound")));
  // Renaming onto a taken identifier fails; onto a free one renames.
  EXPECT_FALSE(files.SetFileInfo("f1", File("f2", "bmp", "\\a.pak", 0, "p", "e")));
  EXPECT_TRUE(files.SetFileInfo("f1", File("f3", "gif", "\\c.pak", 1, "new\\f3.gif", "moved")));
  EXPECT_FALSE(files.GetFileInfo("f1", got));
  ASSERT_TRUE(files.GetFileInfo("f3", got));
  EXPECT_STREQ(got.szPath, "new\\f3.gif");
  // Same identifier: needs the row.
  EXPECT_FALSE(files.SetFileInfo("f9", File("f9", "gif", "\\c.pak", 1, "p", "")));
  EXPECT_TRUE(files.EnablePacked("f3", false));
  ASSERT_TRUE(files.GetFileInfo("f3", got));
  EXPECT_EQ(got.bPacked, 0);

  EXPECT_FALSE(files.AddFile(File("f4", "", "\\a.pak", 0, "p", "")));
  EXPECT_FALSE(files.AddFile(File("f4", "bmp", "", 0, "p", "")));
  EXPECT_FALSE(files.AddFile(File("f4", "bmp", "\\a.pak", 0, "", "")));
  EXPECT_FALSE(files.SetFileInfo("", File("f4", "bmp", "\\a.pak", 0, "p", "")));
  ExpectMessages({{Empty("TYPE"), kFileCaption},
                  {Empty("PACKNAME"), kFileCaption},
                  {Empty("PATH"), kFileCaption},
                  {Empty("ID"), kFileCaption}});
}

TEST_F(TablesTest, FileIterationChoosesRowsByPackAndPackedFlag) {
  CPackFileDataBase files(path_.c_str());
  stPackFileInfo got;
  EXPECT_FALSE(files.GetSourceFirstFile(got));
  const char* packs[] = {"\\a.pak", "\\a.pak", "\\b.pak", "", "\\a.pak"};
  for (int i = 0; i < 5; ++i) {
    std::string id = "f" + std::to_string(i);
    // An empty pack name cannot be added through the class.
    if (!*packs[i])
      ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO [FILETABLE] VALUES ('f3','bmp','',1,'p','e')"));
    else
      ASSERT_TRUE(
          files.AddFile(File(id.c_str(), "bmp", packs[i], static_cast<uint8_t>(i % 2), "p", "")));
  }
  // Pack (null: any), packed flag (-1: any; 2: no query, iteration kept),
  // and the rows counted.
  const struct {
    const char* pack;
    int packed, rows;
  } counts[] = {
      {"\\a.pak", 1, 1},   // packed in \a.pak
      {"\\a.pak", 0, 2},   // not packed
      {"\\a.pak", -1, 3},  // either
      {"", -1, 1},         // the empty pack name
      {nullptr, 1, 2},     // any pack
      {nullptr, 0, 3},     // any pack, not packed
      {nullptr, 2, 0},     // no query, iteration kept
      {nullptr, -1, 5},    // every row
  };
  for (const auto& c : counts)
    EXPECT_EQ(files.GetSourceNum(c.pack, c.packed), c.rows) << (c.pack ? c.pack : "-") << c.packed;
  std::set<std::string> seen;
  for (bool more = files.GetSourceFirstFile(got); more; more = files.GetSourceNextFile(got))
    seen.insert(got.szID);
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_FALSE(files.GetSourceFirstFile(got));
}

stPackAniInfo Ani(const char* id, int number, int delay) {
  stPackAniInfo a{"", delay, number, -3, 4, 5, 6, 1, "rle"};
  std::strcpy(a.szID, id);
  return a;
}

TEST_F(TablesTest, AnimationsAreWalkedFrameByFrameAndAnimationByAnimation) {
  CPackAniDataBase ani(path_.c_str());
  stPackAniInfo got;
  EXPECT_FALSE(ani.GetFirstAniFromID(got));  // no iteration yet
  // Added out of order; the walk is in identifier order.
  ASSERT_TRUE(ani.AddAni(Ani("walkdown00", 1, 50)));
  ASSERT_TRUE(ani.AddAni(Ani("standdwn01", 0, 70)));
  ASSERT_TRUE(ani.AddAni(Ani("standdwn00", 2, 60)));
  ASSERT_TRUE(ani.AddAni(Ani("walkdown00", 1, 55)));  // update: one row still
  ASSERT_TRUE(ani.GetAniInfo("standdwn00", got));
  EXPECT_EQ(std::vector<int>({got.nDelay, got.nNumber, got.nX, got.nSY, got.bAutoStop}),
            std::vector<int>({60, 2, -3, 6, 1}));
  EXPECT_STREQ(got.szImageType, "rle");

  EXPECT_EQ(ani.GetNumFromID(""), 3);
  ASSERT_TRUE(ani.GetOneAni(got));
  EXPECT_STREQ(got.szID, "standdwn00");
  ASSERT_TRUE(ani.SkipToNext());
  ASSERT_TRUE(ani.GetOneAni(got));
  EXPECT_EQ(std::make_pair(std::string(got.szID), got.nDelay),
            std::make_pair(std::string("walkdown00"), 55));
  EXPECT_FALSE(ani.SkipToNext());
  EXPECT_FALSE(ani.GetOneAni(got));

  EXPECT_EQ(ani.GetNumFromID(nullptr), 3);
  ASSERT_TRUE(ani.GetFirstAniFromID(got));
  ASSERT_TRUE(ani.GetNextAniFromID(got));
  EXPECT_STREQ(got.szID, "standdwn01");
  ASSERT_TRUE(ani.GetNextAniFromID(got));
  EXPECT_FALSE(ani.GetNextAniFromID(got));

  EXPECT_EQ(ani.GetNumFromID("standdwn01"), 1);
  ASSERT_TRUE(ani.GetFirstAniFromID(got));
  EXPECT_EQ(got.nDelay, 70);
  EXPECT_EQ(ani.GetNumFromID("nothing"), 0);
  EXPECT_FALSE(ani.GetFirstAniFromID(got));
  // A row without a frame count: SkipToNext stays on it.
  ASSERT_TRUE(ani.AddAni(Ani("a0000000", 0, 1)));
  ASSERT_EQ(ani.GetNumFromID(nullptr), 4);
  EXPECT_TRUE(ani.SkipToNext());
  ASSERT_TRUE(ani.GetOneAni(got));
  EXPECT_STREQ(got.szID, "a0000000");

  EXPECT_FALSE(ani.SetAniInfo("none", Ani("none", 1, 1)));
  EXPECT_FALSE(ani.AddAni(Ani("", 1, 1)));
  EXPECT_FALSE(ani.SetAniInfo(nullptr, Ani("x", 1, 1)));
  ExpectMessages({{Empty("ID"), kAniCaption}, {Empty("ID"), kAniCaption}});
}

TEST_F(TablesTest, MapsAreAddedReadByNameAndIdUpdatedAndRenamed) {
  CMapDataBase maps(path_.c_str());
  ASSERT_TRUE(maps.AddMap(Map("village", 3200, "Bvillage01")));
  stMapInfo m;
  ASSERT_TRUE(maps.GetMapInfo("village", m));
  EXPECT_EQ(std::vector<int>({m.nWidth, m.nHeight, m.nGoodsNum}),
            std::vector<int>({3200, 2400, 3}));
  EXPECT_STREQ(m.szPicInfo, "Bvillage01");
  EXPECT_STREQ(m.szExplain, kNone);  // empty explanation stored as 无
  const int id = m.nID;
  ASSERT_GT(id, 0);

  // The same name again updates that row, whatever the record's ID says.
  stMapInfo again = Map("village", 640, "Bvillage02");
  again.nID = 999;
  EXPECT_TRUE(maps.AddMap(again));
  EXPECT_EQ(Count("MAPTABLE"), 1);
  ASSERT_TRUE(maps.GetMapInfo(id, m));  // by ID
  EXPECT_EQ(m.nWidth, 640);
  // A set by name with another name renames the map.
  ASSERT_TRUE(maps.SetMapInfo("village", Map("town", 640, "Btown00001")));
  EXPECT_FALSE(maps.GetMapInfo("village", m));
  ASSERT_TRUE(maps.GetMapInfo("town", m));
  EXPECT_EQ(m.nID, id);
  // Reads that find nothing leave the record alone.
  stMapInfo untouched = Map("keep", 1, "Bkeep00000");
  EXPECT_FALSE(maps.GetMapInfo(id + 100, untouched));
  EXPECT_STREQ(untouched.szName, "keep");
  EXPECT_TRUE(maps.DelMap("town"));
  EXPECT_EQ(Count("MAPTABLE"), 0);

  EXPECT_FALSE(maps.AddMap(Map("", 1, "")));
  EXPECT_FALSE(maps.AddMap(Map("a", 1, "")));
  EXPECT_FALSE(maps.SetMapInfo(1, Map("", 1, "")));
  EXPECT_FALSE(maps.SetMapInfo("a", Map("a", 1, "")));
  EXPECT_FALSE(maps.SetMapInfo(42, Map("a", 1, "Bpic000001")));
  EXPECT_FALSE(maps.SetMapInfo("nowhere", Map("a", 1, "Bpic000001")));
  ExpectMessages({{kNameEmpty, kAddGoods},
                  {kPicEmpty, ""},
                  {kNameEmpty, kSetGoods},
                  {kPicEmpty, ""},
                  {std::string(kNoMap) + " id = 42", "CMapDataBase::SetMapInfo() Error"},
                  {std::string(kNoMap) + " NAME = nowhere", "CMapDataBase::SetMapInfo() Error"}});
  EXPECT_EQ(Count("MAPTABLE"), 0);
}

stGoodsInfo Goods(int map, const char* name, int drawX) {
  stGoodsInfo g{0,         map, "",         "a well",   2, 3, drawX, 7,
                drawX - 1, 5,   "well0000", "shadow01", 4, 1, 2};
  std::strcpy(g.szName, name);
  return g;
}

TEST_F(TablesTest, GoodsUpdatesReadsByMapAndValidation) {
  CGoodsDataBase goods(path_.c_str());
  ASSERT_TRUE(goods.AddGoods(Goods(1, "well", 5)));
  ASSERT_TRUE(goods.AddGoods(Goods(2, "well", 8)));  // same name, other map: a new row
  EXPECT_EQ(Count("GOODSTABLE"), 2);
  const int id = std::stoi(Text("SELECT [ID] FROM [GOODSTABLE] WHERE [MAPID] = 1"));
  stGoodsInfo changed = Goods(1, "well", 9);
  std::strcpy(changed.szShadowInfo, "shadow99");
  changed.nUseAlpha = 0;
  EXPECT_TRUE(goods.AddGoods(changed));  // updates the map-1 well by its ID
  EXPECT_EQ(Count("GOODSTABLE"), 2);
  stGoodsInfo g;
  ASSERT_TRUE(goods.GetGoodsInfo(id, g));
  EXPECT_EQ(std::vector<int>({g.nID, g.nDrawX, g.nTrueX, g.nUseAlpha}),
            std::vector<int>({id, 9, 8, 0}));
  EXPECT_STREQ(g.szShadowInfo, "shadow01");  // the update never writes it
  EXPECT_EQ(goods.GetGoodsNumInMap(3), 0);
  std::vector<stGoodsInfo> none(1);
  EXPECT_FALSE(goods.GetGoodsInMap(3, none.data()));
  EXPECT_TRUE(goods.DelGoods("well"));  // on every map
  EXPECT_EQ(Count("GOODSTABLE"), 0);

  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(goods.AddGoods(Goods(4, ("g" + std::to_string(i)).c_str(), i)));
  ASSERT_EQ(goods.GetGoodsNumInMap(4), 3);
  // A row added between the count and the read does not overrun the array.
  ASSERT_TRUE(goods.AddGoods(Goods(4, "late", 9)));
  std::vector<stGoodsInfo> out(4);
  std::strcpy(out[3].szName, "guard");
  ASSERT_TRUE(goods.GetGoodsInMap(4, out.data()));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(out[i].nMapID, 4);
    EXPECT_EQ(out[i].nDrawX, i);
    EXPECT_GT(out[i].nID, 0);
  }
  EXPECT_STREQ(out[3].szName, "guard");

  EXPECT_FALSE(goods.AddGoods(Goods(1, "", 1)));
  g = Goods(1, "x", 1);
  g.szPicInfo[0] = 0;
  EXPECT_FALSE(goods.AddGoods(g));
  EXPECT_FALSE(goods.SetGoodsInfo(1, g));
  g = Goods(1, "x", 1);
  g.szShadowInfo[0] = 0;
  EXPECT_FALSE(goods.AddGoods(g));
  EXPECT_FALSE(goods.SetGoodsInfo(1, g));
  EXPECT_FALSE(goods.SetGoodsInfo(77, Goods(1, "x", 1)));
  ExpectMessages({{kNameEmpty, kAddGoods},
                  {kPicEmpty, ""},
                  {kPicEmpty, kSetGoods},
                  {kShadowEmpty, ""},
                  {kShadowEmpty, ""},
                  {std::string(kNoGoods) + " id = 77", "CGoodsDataBase::SetGoodsInfo() Error"}});
  // A query that cannot run: the one message of the reads.
  ASSERT_TRUE(db_->ExecuteCommand("DROP TABLE [GOODSTABLE]"));
  EXPECT_FALSE(goods.GetGoodsInMap(4, out.data()));
  EXPECT_EQ(goods.GetGoodsNumInMap(1), 0);
  ExpectMessages({{kMapNoGoods, ""}});
}

stPersonInfo Person(const char* name, int offset) {
  stPersonInfo p{0, "", "", 7, 7, offset, -offset, 0, 0, "stand", "walk", "run", "hit", 1, 8, 6, 4};
  std::strcpy(p.szName, name);
  return p;
}

TEST_F(TablesTest, PersonsSetByIdAndIterate) {
  CPersonDataBase persons(path_.c_str());
  ASSERT_TRUE(persons.AddPerson(Person("ann", 1)));
  ASSERT_TRUE(persons.AddPerson(Person("bob", 2)));
  ASSERT_TRUE(persons.AddPerson(Person("ann", 3)));  // updates ann
  stPersonInfo p;
  ASSERT_TRUE(persons.GetPersonInfo("ann", p));
  EXPECT_EQ(p.nDrawXOffset, 3);
  const int ann = p.nID;
  ASSERT_TRUE(persons.SetPersonInfo(ann, Person("ann", -5)));
  ASSERT_TRUE(persons.GetPersonInfo(ann, p));
  EXPECT_EQ(std::vector<int>({p.nDrawXOffset, p.nDrawYOffset, p.nWalkPicNum}),
            std::vector<int>({-5, 5, 8}));
  EXPECT_STREQ(p.szAttackPic, "hit");
  EXPECT_FALSE(persons.SetPersonInfo("nobody", Person("x", 0)));
  EXPECT_FALSE(persons.SetPersonInfo(999, Person("x", 0)));
  EXPECT_FALSE(persons.AddPerson(Person("", 0)));
  EXPECT_FALSE(persons.SetPersonInfo(ann, Person("", 0)));
  ExpectMessages({{kNameEmpty, kAddPerson}, {kNameEmpty, kSetPerson}});

  // Without an open iteration there is no first person.
  CPersonDataBase fresh(path_.c_str());
  EXPECT_FALSE(fresh.GetAllFirstPerson(p));
  EXPECT_FALSE(fresh.GetAllNextPerson(p));
  ASSERT_EQ(persons.GetAllNum(), 2);
  ASSERT_TRUE(persons.GetAllFirstPerson(p));
  EXPECT_STREQ(p.szName, "ann");
  ASSERT_TRUE(persons.GetAllNextPerson(p));
  EXPECT_STREQ(p.szName, "bob");
  EXPECT_FALSE(persons.GetAllNextPerson(p));
  ASSERT_TRUE(persons.GetAllFirstPerson(p));  // starts over
  EXPECT_STREQ(p.szName, "ann");
}

TEST_F(TablesTest, EventsOfASceneComeOnceAndAddAlwaysAdds) {
  CEventDataBase events(path_.c_str());
  stEventInfo e;
  e.nSceneID = 5;
  e.nEventType = 2;
  e.nFilePos = 100;
  ASSERT_TRUE(events.AddEvent(e));
  ASSERT_TRUE(events.AddEvent(e));  // a second, identical row
  e.nFilePos = 200;
  std::strcpy(e.szExplain, "door");
  ASSERT_TRUE(events.AddEvent(e));
  e.nSceneID = 6;
  ASSERT_TRUE(events.AddEvent(e));
  EXPECT_EQ(Text("SELECT [EXPLAIN] FROM [EVENTTABLE] WHERE [FILEPOS] = 100"), kNone);

  std::vector<stEventInfo> out(3);
  EXPECT_FALSE(events.GetEventInScene(out.data()));  // nothing open yet
  ASSERT_EQ(events.GetEventNumInScene(5), 3);
  ASSERT_TRUE(events.GetEventInScene(out.data()));
  EXPECT_EQ(std::vector<int>({out[0].nFilePos, out[1].nFilePos, out[2].nFilePos}),
            std::vector<int>({100, 100, 200}));
  EXPECT_STREQ(out[2].szExplain, "door");
  EXPECT_NE(out[0].nID, out[1].nID);
  EXPECT_FALSE(events.GetEventInScene(out.data()));
  ASSERT_EQ(events.GetEventNumInScene(5), 3);  // open again
  EXPECT_TRUE(events.GetEventInScene(out.data()));

  stEventInfo changed;
  changed.nSceneID = 9;
  ASSERT_TRUE(events.SetEventInfo(out[2].nID, changed));
  stEventInfo read;
  ASSERT_TRUE(events.GetEventInfo(out[2].nID, read));
  EXPECT_EQ(read.nSceneID, 9);
  EXPECT_STREQ(read.szExplain, kNone);
  EXPECT_FALSE(events.SetEventInfo(555, changed));
  ExpectMessages({{std::string(kNoEvent) + " id = 555", "CEventDataBase::SetEventInfo() Error"}});
  EXPECT_TRUE(events.DelEventInScene(5));
  EXPECT_EQ(events.GetEventNumInScene(5), 0);
  EXPECT_EQ(events.GetEventNumInScene(9), 1);
}

TEST_F(TablesTest, TablesWithoutADatabaseFailQuietly) {
  const std::string none = dir_.path() + "\\not-opened.mdb";
  CPackResDataBase res(none.c_str());
  CPackAniDataBase ani(none.c_str());
  CPackFileDataBase files(none.c_str());
  stPackResInfo info = Res("a", "\\a.pak", 0, 1);
  EXPECT_FALSE(res.AddRes(info));
  EXPECT_FALSE(res.GetResInfo("a", info));
  EXPECT_FALSE(res.DelAllRes());
  EXPECT_EQ(ani.GetNumFromID(nullptr), 0);
  EXPECT_EQ(files.GetSourceNum(nullptr, -1), 0);
  EXPECT_TRUE(HeadlessMessages().empty());
}

// Updates that cannot run: AddRes still says yes, AddAni and the setters no.
TEST_F(TablesTest, FailedUpdatesReturnTheirResult) {
  CPackResDataBase res(path_.c_str());
  CPackAniDataBase ani(path_.c_str());
  ASSERT_TRUE(res.AddRes(Res("a", "\\a.pak", 0, 1)));
  const stPackAniInfo a = Ani("abcdefghi01", 1, 9);  // 11 bytes fit ANITABLE's field
  ASSERT_TRUE(ani.AddAni(a));
  for (const char* table : {"RESTABLE", "ANITABLE"})
    ASSERT_TRUE(
        db_->ExecuteCommand((std::string("CREATE TRIGGER [NO") + table + "] BEFORE UPDATE ON [" +
                             table + "] BEGIN SELECT RAISE(FAIL, 'no'); END")
                                .c_str()));
  EXPECT_TRUE(res.AddRes(Res("a", "\\a.pak", 5, 9)));
  stPackResInfo got;
  ASSERT_TRUE(res.GetResInfo("a", got));
  EXPECT_EQ(got.nStart, 0);
  EXPECT_FALSE(res.SetResInfo("a", Res("a", "\\a.pak", 5, 9)));
  EXPECT_FALSE(ani.AddAni(a));
  stPackAniInfo read;
  ASSERT_TRUE(ani.GetAniInfo("abcdefghi01", read));
  EXPECT_EQ(read.nDelay, 9);
}

}  // namespace
