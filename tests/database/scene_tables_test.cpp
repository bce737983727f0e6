// The scene tables MAPTABLE, GOODSTABLE, PERSONTABLE and EVENTTABLE over a
// real database: reads, add-or-update, validation messages, iterations.
#include <cstring>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/event_database.h"
#include "database/goods_database.h"
#include "database/map_database.h"
#include "database/person_database.h"
#include "database/schema.h"
#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace {

using tessera::HeadlessMessages;

// GBK texts, with the Chinese beside them.
const char kNameEmpty[] = "\xC3\xFB\xD7\xD6\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";  // 名字不能为空
const char kPicEmpty[] = "\xCD\xBC\xC6\xAC\xD0\xC5\xCF\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";  // 图片信息不能为空
const char kShadowEmpty[] =  // 影子图片信息不能为空 随便填写也可以
    "\xD3\xB0\xD7\xD3\xCD\xBC\xC6\xAC\xD0\xC5\xCF\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5 "
    "\xCB\xE6\xB1\xE3\xCC\xEE\xD0\xB4\xD2\xB2\xBF\xC9\xD2\xD4";
const char kSetGoods[] = "\xD0\xDE\xB8\xC4\xCE\xEF\xC6\xB7";   // 修改物品
const char kAddGoods[] = "\xD4\xF6\xBC\xD3\xCE\xEF\xC6\xB7";   // 增加物品
const char kSetPerson[] = "\xD0\xDE\xB8\xC4\xC8\xCB\xCE\xEF";  // 修改人物
const char kAddPerson[] = "\xD4\xF6\xBC\xD3\xC8\xCB\xCE\xEF";  // 增加人物
const char kNoMap[] = "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC";      // 没有这个地图
const char kNoGoods[] = "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xCE\xEF\xC6\xB7";    // 没有这个物品
const char kNoEvent[] = "\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xCA\xC2\xBC\xFE";    // 没有这个事件
const char kMapNoGoods[] = "\xD5\xE2\xB8\xF6\xB5\xD8\xCD\xBC\xC3\xBB\xD3\xD0\xCE\xEF\xCC\xE5";  // 这个地图没有物体
const char kNone[] = "\xCE\xDE";  // 无

class SceneTablesTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = dir_.path() + "\\game.mdb";
    ASSERT_TRUE(tessera::CreateDataBaseFile(path_));
    ASSERT_TRUE(AfxInitDataBase(path_.c_str()));
    db_ = AfxGetDataBase(path_.c_str());
  }

  std::string Text(const std::string& sql) {
    tessera::RecordsetPtr rs;
    if (!db_->OpenSource(sql.c_str(), rs) || db_->GetRecordCount(rs) == 0) return "<none>";
    char buf[256] = {};
    return rs->GetText(0, buf, sizeof buf) ? buf : "<null>";
  }
  long Count(const std::string& sql) {
    tessera::RecordsetPtr rs;
    return db_->OpenSource(sql.c_str(), rs) ? db_->GetRecordCount(rs) : -1;
  }
  void ExpectOnlyMessage(const std::string& text, const std::string& caption) {
    ASSERT_EQ(HeadlessMessages().size(), 1u);
    EXPECT_EQ(HeadlessMessages()[0].text, text);
    EXPECT_EQ(HeadlessMessages()[0].caption, caption);
    EXPECT_EQ(HeadlessMessages()[0].icon, tessera::MessageIcon::kNone);
    tessera::ClearHeadlessMessages();
  }

  tessera::test::TempDir dir_;
  std::string path_;
  CDataBase* db_ = nullptr;
};

stMapInfo Map(const char* name, int w, int h, const char* pic) {
  stMapInfo m;
  std::strcpy(m.szName, name);
  m.nWidth = w;
  m.nHeight = h;
  m.nUnitSize = 32;
  m.nGoodsNum = 3;
  std::strcpy(m.szPicInfo, pic);
  return m;
}

stGoodsInfo Goods(int map, const char* name, int drawX) {
  stGoodsInfo g;
  g.nMapID = map;
  std::strcpy(g.szName, name);
  std::strcpy(g.szExplain, "a well");
  g.nWidth = 2;
  g.nHeight = 3;
  g.nDrawX = drawX;
  g.nDrawY = 7;
  g.nTrueX = drawX - 1;
  g.nTrueY = 5;
  std::strcpy(g.szPicInfo, "well0000");
  std::strcpy(g.szShadowInfo, "shadow01");
  g.nPicNum = 4;
  g.nType = 1;
  g.nUseAlpha = 2;
  return g;
}

TEST_F(SceneTablesTest, MapsAreAddedReadByNameAndIdUpdatedAndRenamed) {
  CMapDataBase maps(path_.c_str());
  ASSERT_TRUE(maps.AddMap(Map("village", 3200, 2400, "Bvillage01")));
  stMapInfo m;
  ASSERT_TRUE(maps.GetMapInfo("village", m));
  EXPECT_EQ(m.nWidth, 3200);
  EXPECT_EQ(m.nHeight, 2400);
  EXPECT_EQ(m.nUnitSize, 32);
  EXPECT_EQ(m.nGoodsNum, 3);
  EXPECT_STREQ(m.szPicInfo, "Bvillage01");
  EXPECT_STREQ(m.szExplain, kNone);  // empty explanation stored as 无
  const int id = m.nID;
  ASSERT_GT(id, 0);

  stMapInfo byId;
  ASSERT_TRUE(maps.GetMapInfo(id, byId));
  EXPECT_STREQ(byId.szName, "village");

  // The same name again updates that row, whatever the record's ID says.
  stMapInfo again = Map("village", 640, 480, "Bvillage02");
  again.nID = 999;
  EXPECT_TRUE(maps.AddMap(again));
  EXPECT_EQ(Count("SELECT * FROM [MAPTABLE]"), 1);
  ASSERT_TRUE(maps.GetMapInfo(id, m));
  EXPECT_EQ(m.nWidth, 640);
  EXPECT_STREQ(m.szPicInfo, "Bvillage02");

  // A set by name with another name renames the map.
  ASSERT_TRUE(maps.SetMapInfo("village", Map("town", 640, 480, "Btown00001")));
  EXPECT_FALSE(maps.GetMapInfo("village", m));
  ASSERT_TRUE(maps.GetMapInfo("town", m));
  EXPECT_EQ(m.nID, id);
  EXPECT_TRUE(HeadlessMessages().empty());

  // Reads that find nothing leave the record alone.
  stMapInfo untouched = Map("keep", 1, 2, "Bkeep00000");
  EXPECT_FALSE(maps.GetMapInfo(id + 100, untouched));
  EXPECT_STREQ(untouched.szName, "keep");

  EXPECT_TRUE(maps.DelMap("town"));
  EXPECT_EQ(Count("SELECT * FROM [MAPTABLE]"), 0);
}

TEST_F(SceneTablesTest, MapValidationShowsItsMessagesInOrder) {
  CMapDataBase maps(path_.c_str());
  EXPECT_FALSE(maps.AddMap(Map("", 1, 1, "")));
  ExpectOnlyMessage(kNameEmpty, kAddGoods);
  EXPECT_FALSE(maps.AddMap(Map("a", 1, 1, "")));
  ExpectOnlyMessage(kPicEmpty, "");
  EXPECT_FALSE(maps.SetMapInfo(1, Map("", 1, 1, "")));
  ExpectOnlyMessage(kNameEmpty, kSetGoods);
  EXPECT_FALSE(maps.SetMapInfo("a", Map("a", 1, 1, "")));
  ExpectOnlyMessage(kPicEmpty, "");
  EXPECT_FALSE(maps.SetMapInfo(42, Map("a", 1, 1, "Bpic000001")));
  ExpectOnlyMessage(std::string(kNoMap) + " id = 42", "CMapDataBase::SetMapInfo() Error");
  EXPECT_FALSE(maps.SetMapInfo("nowhere", Map("a", 1, 1, "Bpic000001")));
  ExpectOnlyMessage(std::string(kNoMap) + " NAME = nowhere", "CMapDataBase::SetMapInfo() Error");
  EXPECT_EQ(Count("SELECT * FROM [MAPTABLE]"), 0);
}

TEST_F(SceneTablesTest, ABadMapRowIsNotReadAndLeavesTheRecord) {
  CMapDataBase maps(path_.c_str());
  ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO [MAPTABLE] ([NAME],[EXPLAIN],[WIDTH],[HEIGHT],[UNITSIZE],[GOODSNUM],"
                                  "[PICINFO]) VALUES ('bad','x','wide',10,32,0,'Bbad000001')"));
  ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO [MAPTABLE] ([NAME],[EXPLAIN],[WIDTH],[HEIGHT],[UNITSIZE],[GOODSNUM],"
                                  "[PICINFO]) VALUES ('long','x',1,10,32,0,'Bthis-identifier-is-far-too-long-for-it')"));
  stMapInfo m = Map("keep", 5, 6, "Bkeep00000");
  EXPECT_FALSE(maps.GetMapInfo("bad", m));
  EXPECT_FALSE(maps.GetMapInfo("long", m));
  EXPECT_STREQ(m.szName, "keep");
  EXPECT_EQ(m.nWidth, 5);
}

TEST_F(SceneTablesTest, GoodsUpdateKeepsTheShadowAndAddFindsByNameAndMap) {
  CGoodsDataBase goods(path_.c_str());
  ASSERT_TRUE(goods.AddGoods(Goods(1, "well", 5)));
  ASSERT_TRUE(goods.AddGoods(Goods(2, "well", 8)));  // same name, other map: a new row
  EXPECT_EQ(Count("SELECT * FROM [GOODSTABLE]"), 2);
  const int id = std::stoi(Text("SELECT [ID] FROM [GOODSTABLE] WHERE [MAPID] = 1"));

  stGoodsInfo changed = Goods(1, "well", 9);
  std::strcpy(changed.szShadowInfo, "shadow99");
  changed.nUseAlpha = 0;
  EXPECT_TRUE(goods.AddGoods(changed));  // updates the map-1 well by its ID
  EXPECT_EQ(Count("SELECT * FROM [GOODSTABLE]"), 2);
  stGoodsInfo g;
  ASSERT_TRUE(goods.GetGoodsInfo(id, g));
  EXPECT_EQ(g.nID, id);
  EXPECT_EQ(g.nDrawX, 9);
  EXPECT_EQ(g.nTrueX, 8);
  EXPECT_EQ(g.nUseAlpha, 0);
  EXPECT_STREQ(g.szShadowInfo, "shadow01");  // the update never writes it
  EXPECT_STREQ(g.szExplain, "a well");

  EXPECT_EQ(goods.GetGoodsNumInMap(1), 1);
  EXPECT_EQ(goods.GetGoodsNumInMap(3), 0);
  std::vector<stGoodsInfo> none(1);
  EXPECT_FALSE(goods.GetGoodsInMap(3, none.data()));
  EXPECT_TRUE(HeadlessMessages().empty());

  EXPECT_TRUE(goods.DelGoods("well"));  // on every map
  EXPECT_EQ(Count("SELECT * FROM [GOODSTABLE]"), 0);
}

TEST_F(SceneTablesTest, GoodsOfAMapComeAllAndNoMoreThanCounted) {
  CGoodsDataBase goods(path_.c_str());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(goods.AddGoods(Goods(4, ("g" + std::to_string(i)).c_str(), i)));
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
}

TEST_F(SceneTablesTest, GoodsValidationAndFailures) {
  CGoodsDataBase goods(path_.c_str());
  stGoodsInfo g = Goods(1, "", 1);
  EXPECT_FALSE(goods.AddGoods(g));
  ExpectOnlyMessage(kNameEmpty, kAddGoods);
  g = Goods(1, "x", 1);
  g.szPicInfo[0] = 0;
  EXPECT_FALSE(goods.AddGoods(g));
  ExpectOnlyMessage(kPicEmpty, "");
  EXPECT_FALSE(goods.SetGoodsInfo(1, g));
  ExpectOnlyMessage(kPicEmpty, kSetGoods);
  g = Goods(1, "x", 1);
  g.szShadowInfo[0] = 0;
  EXPECT_FALSE(goods.AddGoods(g));
  ExpectOnlyMessage(kShadowEmpty, "");
  EXPECT_FALSE(goods.SetGoodsInfo(1, g));
  ExpectOnlyMessage(kShadowEmpty, "");
  EXPECT_FALSE(goods.SetGoodsInfo(77, Goods(1, "x", 1)));
  ExpectOnlyMessage(std::string(kNoGoods) + " id = 77", "CGoodsDataBase::SetGoodsInfo() Error");

  // A query that cannot run: the one message of the reads.
  ASSERT_TRUE(db_->ExecuteCommand("DROP TABLE [GOODSTABLE]"));
  stGoodsInfo out[1];
  EXPECT_FALSE(goods.GetGoodsInMap(1, out));
  ExpectOnlyMessage(kMapNoGoods, "");
  EXPECT_EQ(goods.GetGoodsNumInMap(1), 0);
  EXPECT_TRUE(HeadlessMessages().empty());
}

stPersonInfo Person(const char* name, int offset) {
  stPersonInfo p;
  std::strcpy(p.szName, name);
  p.nWidth = 7;
  p.nHeight = 7;
  p.nDrawXOffset = offset;
  p.nDrawYOffset = -offset;
  std::strcpy(p.szStandPic, "stand");
  std::strcpy(p.szWalkPic, "walk");
  std::strcpy(p.szRunPic, "run");
  std::strcpy(p.szAttackPic, "hit");
  p.nStandPicNum = 1;
  p.nWalkPicNum = 8;
  p.nRunPicNum = 6;
  p.nAttackPicNum = 4;
  return p;
}

TEST_F(SceneTablesTest, PersonsSetByIdAndIterate) {
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
  EXPECT_EQ(p.nDrawXOffset, -5);
  EXPECT_EQ(p.nDrawYOffset, 5);
  EXPECT_EQ(p.nWalkPicNum, 8);
  EXPECT_STREQ(p.szAttackPic, "hit");

  EXPECT_FALSE(persons.SetPersonInfo("nobody", Person("x", 0)));
  EXPECT_FALSE(persons.SetPersonInfo(999, Person("x", 0)));
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_FALSE(persons.AddPerson(Person("", 0)));
  ExpectOnlyMessage(kNameEmpty, kAddPerson);
  EXPECT_FALSE(persons.SetPersonInfo(ann, Person("", 0)));
  ExpectOnlyMessage(kNameEmpty, kSetPerson);

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

TEST_F(SceneTablesTest, EventsOfASceneComeOnceAndAddAlwaysAdds) {
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
  EXPECT_EQ(out[0].nFilePos, 100);
  EXPECT_EQ(out[1].nFilePos, 100);
  EXPECT_EQ(out[2].nFilePos, 200);
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
  ExpectOnlyMessage(std::string(kNoEvent) + " id = 555", "CEventDataBase::SetEventInfo() Error");

  EXPECT_TRUE(events.DelEventInScene(5));
  EXPECT_EQ(events.GetEventNumInScene(5), 0);
  EXPECT_FALSE(events.GetEventInScene(out.data()));
  EXPECT_EQ(events.GetEventNumInScene(9), 1);
}

}  // namespace
