// The pack tables RESTABLE, FILETABLE and ANITABLE over a real database.
#include <cstring>
#include <set>
#include <string>

#include "database/database.h"
#include "database/pack_ani_database.h"
#include "database/pack_file_database.h"
#include "database/pack_res_database.h"
#include "database/schema.h"
#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace {

using tessera::HeadlessMessages;

// Validation texts and captions, GBK.
const char kIdEmpty[] = "ID \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";              // ID 不能为空
const char kPackEmpty[] = "PACKNAME \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";      // PACKNAME 不能为空
const char kTypeEmpty[] = "TYPE \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";          // TYPE 不能为空
const char kPathEmpty[] = "PATH \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";          // PATH 不能为空
const char kResCaption[] = "\xCC\xED\xBC\xD3\xD7\xCA\xD4\xB4";              // 添加资源
const char kFileCaption[] = "\xCC\xED\xBC\xD3\xB4\xF2\xB0\xFC\xCE\xC4\xBC\xFE";  // 添加打包文件
const char kAniCaption[] = "\xCC\xED\xBC\xD3\xB6\xAF\xBB\xAD\xD7\xCA\xD4\xB4";  // 添加动画资源

class PackTablesTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = dir_.path() + "\\game.mdb";
    ASSERT_TRUE(tessera::CreateDataBaseFile(path_));
    ASSERT_TRUE(AfxInitDataBase(path_.c_str()));
    db_ = AfxGetDataBase(path_.c_str());
  }

  long Count(const std::string& sql) {
    tessera::RecordsetPtr rs;
    if (!db_->OpenSource(sql.c_str(), rs)) return -1;
    return db_->GetRecordCount(rs);
  }

  void ExpectMessage(size_t index, const char* text, const char* caption) {
    ASSERT_GT(HeadlessMessages().size(), index);
    EXPECT_EQ(HeadlessMessages()[index].text, text);
    EXPECT_EQ(HeadlessMessages()[index].caption, caption);
    EXPECT_EQ(HeadlessMessages()[index].icon, tessera::MessageIcon::kNone);
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

TEST_F(PackTablesTest, ResourceRowsAreAddedUpdatedReadAndDeleted) {
  CPackResDataBase res(path_.c_str());
  ASSERT_TRUE(res.AddRes(Res("bg00000001", "\\a.pak", 0, 100)));
  ASSERT_TRUE(res.AddRes(Res("bg00000002", "\\a.pak", 100, 164)));
  // Re-adding an identifier updates its row: still one row for it.
  ASSERT_TRUE(res.AddRes(Res("bg00000001", "*data\\b.pak", 164, 300)));
  EXPECT_EQ(Count("SELECT * FROM [RESTABLE]"), 2);

  stPackResInfo got;
  ASSERT_TRUE(res.GetResInfo("bg00000001", got));
  EXPECT_STREQ(got.szID, "bg00000001");
  EXPECT_STREQ(got.szPackName, "*data\\b.pak");
  EXPECT_EQ(got.nStart, 164);
  EXPECT_EQ(got.nEnd, 300);

  // Not found, and an identifier longer than the field: the record keeps
  // its contents.
  EXPECT_FALSE(res.GetResInfo("nothing", got));
  EXPECT_FALSE(res.GetResInfo("bg000000011", got));
  EXPECT_STREQ(got.szID, "bg00000001");
  EXPECT_EQ(got.nEnd, 300);

  EXPECT_TRUE(res.SetResInfo("bg00000002", Res("ignored", "\\c.pak", 5, 6)));
  ASSERT_TRUE(res.GetResInfo("bg00000002", got));
  EXPECT_STREQ(got.szPackName, "\\c.pak");
  EXPECT_EQ(got.nStart, 5);
  EXPECT_FALSE(res.GetResInfo("ignored", got));  // the identifier never changes
  EXPECT_FALSE(res.SetResInfo("nothing", Res("x", "\\c.pak", 5, 6)));
  EXPECT_TRUE(HeadlessMessages().empty());

  EXPECT_TRUE(res.DelRes("bg00000002"));
  EXPECT_TRUE(res.DelRes("bg00000002"));  // nothing to delete is still a success
  EXPECT_EQ(Count("SELECT * FROM [RESTABLE]"), 1);
  EXPECT_TRUE(res.DelAllRes());
  EXPECT_EQ(Count("SELECT * FROM [RESTABLE]"), 0);
}

TEST_F(PackTablesTest, ResourceValidationShowsTheFixedTexts) {
  CPackResDataBase res(path_.c_str());
  EXPECT_FALSE(res.AddRes(Res("", "\\a.pak", 0, 1)));
  EXPECT_FALSE(res.AddRes(Res("id", "", 0, 1)));
  EXPECT_FALSE(res.SetResInfo("", Res("id", "\\a.pak", 0, 1)));
  EXPECT_FALSE(res.SetResInfo(nullptr, Res("id", "\\a.pak", 0, 1)));
  EXPECT_FALSE(res.SetResInfo("id", Res("id", "", 0, 1)));
  ASSERT_EQ(HeadlessMessages().size(), 5u);
  ExpectMessage(0, kIdEmpty, kResCaption);
  ExpectMessage(1, kPackEmpty, kResCaption);
  ExpectMessage(2, kIdEmpty, kResCaption);
  ExpectMessage(3, kIdEmpty, kResCaption);
  ExpectMessage(4, kPackEmpty, kResCaption);
  EXPECT_EQ(Count("SELECT * FROM [RESTABLE]"), 0);
}

TEST_F(PackTablesTest, QuotesAndGbkTextsAreStoredAsGiven) {
  CPackResDataBase res(path_.c_str());
  // A quote inside a value is stored, not taken as the end of the value.
  ASSERT_TRUE(res.AddRes(Res("it's", "\\o'brien.pak", 1, 2)));
  ASSERT_TRUE(res.AddRes(Res("x' OR '1", "\\a.pak", 3, 4)));
  EXPECT_TRUE(res.DelRes("' OR ''='"));
  EXPECT_EQ(Count("SELECT * FROM [RESTABLE]"), 2);
  stPackResInfo got;
  ASSERT_TRUE(res.GetResInfo("it's", got));
  EXPECT_STREQ(got.szPackName, "\\o'brien.pak");

  // GBK: 中文 as identifier, 图片\ in a pack name (trail byte 0x5C).
  ASSERT_TRUE(res.AddRes(Res("\xD6\xD0\xCE\xC4", "\\\xCD\xBC\xC6\xAC\x5C.pak", 7, 9)));
  ASSERT_TRUE(res.GetResInfo("\xD6\xD0\xCE\xC4", got));
  EXPECT_STREQ(got.szPackName, "\\\xCD\xBC\xC6\xAC\x5C.pak");
}

TEST_F(PackTablesTest, OverlongStatementsAreRefusedNotCut) {
  CPackResDataBase res(path_.c_str());
  ASSERT_TRUE(res.AddRes(Res("a", "\\a.pak", 0, 1)));
  ASSERT_TRUE(res.AddRes(Res("b", "\\a.pak", 1, 2)));
  // A pack name that makes the UPDATE longer than its 512-byte buffer: cut
  // short, the statement could lose its WHERE and change every row.
  std::string name(255, 'n');
  stPackResInfo big = Res("a", name.c_str(), 9, 9);
  std::strcpy(big.szPackName, (std::string("\\") + std::string(250, '\'')).c_str());
  EXPECT_FALSE(res.SetResInfo("a", big));
  stPackResInfo got;
  ASSERT_TRUE(res.GetResInfo("b", got));
  EXPECT_EQ(got.nStart, 1);
  ASSERT_TRUE(res.GetResInfo("a", got));
  EXPECT_EQ(got.nStart, 0);
}

TEST_F(PackTablesTest, RowsThatCannotBeReadFailTheRead) {
  ASSERT_TRUE(db_->ExecuteCommand("CREATE TABLE [T] AS SELECT 1"));  // the database is writable
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
}

TEST_F(PackTablesTest, TablesWithoutADatabaseFailQuietly) {
  CPackResDataBase res((dir_.path() + "\\not-opened.mdb").c_str());
  CPackAniDataBase ani((dir_.path() + "\\not-opened.mdb").c_str());
  CPackFileDataBase files((dir_.path() + "\\not-opened.mdb").c_str());
  EXPECT_EQ(res.m_pDataBase, nullptr);
  stPackResInfo info = Res("a", "\\a.pak", 0, 1);
  EXPECT_FALSE(res.AddRes(info));
  EXPECT_FALSE(res.GetResInfo("a", info));
  EXPECT_FALSE(res.DelAllRes());
  EXPECT_EQ(ani.GetNumFromID(nullptr), 0);
  EXPECT_EQ(files.GetSourceNum(nullptr, -1), 0);
  EXPECT_TRUE(HeadlessMessages().empty());
}

stPackFileInfo File(const char* id, const char* type, const char* pack, uint8_t packed, const char* path,
                    const char* explain) {
  stPackFileInfo f;
  std::strcpy(f.szID, id);
  std::strcpy(f.szType, type);
  std::strcpy(f.szPackName, pack);
  f.bPacked = packed;
  std::strcpy(f.szPath, path);
  std::strcpy(f.szExplain, explain);
  return f;
}

TEST_F(PackTablesTest, FileRowsKeepExistingRowsAndRenameOnlyToFreeIdentifiers) {
  CPackFileDataBase files(path_.c_str());
  ASSERT_TRUE(files.AddFile(File("f1", "bmp", "\\a.pak", 0, "img\\f1.bmp", "")));
  // An existing identifier is not overwritten by AddFile.
  EXPECT_FALSE(files.AddFile(File("f1", "wav", "\\b.pak", 1, "snd\\x.wav", "other")));
  stPackFileInfo got;
  ASSERT_TRUE(files.GetFileInfo("f1", got));
  EXPECT_STREQ(got.szType, "bmp");
  EXPECT_STREQ(got.szExplain, "\xCE\xDE");  // 无 for an empty explanation
  EXPECT_STREQ(got.szPath, "img\\f1.bmp");
  EXPECT_EQ(got.bPacked, 0);

  ASSERT_TRUE(files.AddFile(File("f2", "wav", "\\b.pak", 1, "snd\\f2.wav", "sound")));
  // Renaming onto a taken identifier fails; onto a free one renames.
  EXPECT_FALSE(files.SetFileInfo("f1", File("f2", "bmp", "\\a.pak", 0, "p", "e")));
  EXPECT_TRUE(files.SetFileInfo("f1", File("f3", "gif", "\\c.pak", 1, "new\\f3.gif", "moved")));
  EXPECT_FALSE(files.GetFileInfo("f1", got));
  ASSERT_TRUE(files.GetFileInfo("f3", got));
  EXPECT_STREQ(got.szType, "gif");
  EXPECT_STREQ(got.szExplain, "moved");
  EXPECT_EQ(got.bPacked, 1);
  // Same identifier: needs the row.
  EXPECT_FALSE(files.SetFileInfo("f9", File("f9", "gif", "\\c.pak", 1, "p", "")));
  EXPECT_TRUE(files.EnablePacked("f3", false));
  ASSERT_TRUE(files.GetFileInfo("f3", got));
  EXPECT_EQ(got.bPacked, 0);
  EXPECT_TRUE(HeadlessMessages().empty());

  EXPECT_FALSE(files.AddFile(File("f4", "", "\\a.pak", 0, "p", "")));
  EXPECT_FALSE(files.AddFile(File("f4", "bmp", "", 0, "p", "")));
  EXPECT_FALSE(files.AddFile(File("f4", "bmp", "\\a.pak", 0, "", "")));
  EXPECT_FALSE(files.SetFileInfo("", File("f4", "bmp", "\\a.pak", 0, "p", "")));
  ASSERT_EQ(HeadlessMessages().size(), 4u);
  ExpectMessage(0, kTypeEmpty, kFileCaption);
  ExpectMessage(1, kPackEmpty, kFileCaption);
  ExpectMessage(2, kPathEmpty, kFileCaption);
  ExpectMessage(3, kIdEmpty, kFileCaption);
}

TEST_F(PackTablesTest, FileIterationChoosesRowsByPackAndPackedFlag) {
  CPackFileDataBase files(path_.c_str());
  stPackFileInfo got;
  EXPECT_FALSE(files.GetSourceFirstFile(got));
  const char* packs[] = {"\\a.pak", "\\a.pak", "\\b.pak", "", "\\a.pak"};
  for (int i = 0; i < 5; ++i) {
    std::string id = "f" + std::to_string(i);
    stPackFileInfo f = File(id.c_str(), "bmp", "x", static_cast<uint8_t>(i % 2), "p", "");
    std::strcpy(f.szPackName, packs[i]);
    if (!*packs[i]) {
      // An empty pack name cannot be added through the class; write it
      // directly to test the empty-name query.
      ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO [FILETABLE] VALUES ('f3','bmp','',1,'p','e')"));
      continue;
    }
    ASSERT_TRUE(files.AddFile(f));
  }
  EXPECT_EQ(files.GetSourceNum("\\a.pak", 1), 1);
  EXPECT_EQ(files.GetSourceNum("\\a.pak", 0), 2);
  EXPECT_EQ(files.GetSourceNum("\\a.pak", -1), 3);
  EXPECT_EQ(files.GetSourceNum("", -1), 1);
  EXPECT_EQ(files.GetSourceNum(nullptr, 1), 2);
  EXPECT_EQ(files.GetSourceNum(nullptr, 0), 3);
  EXPECT_EQ(files.GetSourceNum(nullptr, 2), 0);  // no query, iteration kept
  ASSERT_EQ(files.GetSourceNum(nullptr, -1), 5);

  ASSERT_TRUE(files.GetSourceFirstFile(got));
  std::set<std::string> seen{got.szID};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(files.GetSourceNextFile(got));
    seen.insert(got.szID);
  }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_FALSE(files.GetSourceNextFile(got));
  EXPECT_FALSE(files.m_bBrowsing);
  EXPECT_FALSE(files.GetSourceFirstFile(got));
  EXPECT_FALSE(files.GetSourceNextFile(got));
}

stPackAniInfo Ani(const char* id, int number, int delay) {
  stPackAniInfo a;
  std::strcpy(a.szID, id);
  a.nNumber = number;
  a.nDelay = delay;
  a.nX = -3;
  a.nY = 4;
  a.nSX = 5;
  a.nSY = 6;
  a.bAutoStop = 1;
  std::strcpy(a.szImageType, "rle");
  return a;
}

TEST_F(PackTablesTest, AnimationsAreWalkedFrameByFrameAndAnimationByAnimation) {
  CPackAniDataBase ani(path_.c_str());
  stPackAniInfo got;
  EXPECT_FALSE(ani.GetFirstAniFromID(got));  // no iteration yet
  // Added out of order; the walk is in identifier order.
  ASSERT_TRUE(ani.AddAni(Ani("walkdown00", 1, 50)));
  ASSERT_TRUE(ani.AddAni(Ani("standdwn01", 0, 70)));
  ASSERT_TRUE(ani.AddAni(Ani("standdwn00", 2, 60)));
  ASSERT_TRUE(ani.AddAni(Ani("walkdown00", 1, 55)));  // update: one row still

  ASSERT_TRUE(ani.GetAniInfo("standdwn00", got));
  EXPECT_STREQ(got.szID, "standdwn00");
  EXPECT_EQ(got.nDelay, 60);
  EXPECT_EQ(got.nNumber, 2);
  EXPECT_EQ(got.nX, -3);
  EXPECT_EQ(got.nSY, 6);
  EXPECT_EQ(got.bAutoStop, 1);
  EXPECT_STREQ(got.szImageType, "rle");

  EXPECT_EQ(ani.GetNumFromID(""), 3);
  ASSERT_TRUE(ani.GetOneAni(got));
  EXPECT_STREQ(got.szID, "standdwn00");
  ASSERT_TRUE(ani.SkipToNext());
  ASSERT_TRUE(ani.GetOneAni(got));
  EXPECT_STREQ(got.szID, "walkdown00");
  EXPECT_EQ(got.nDelay, 55);
  EXPECT_FALSE(ani.SkipToNext());
  EXPECT_FALSE(ani.GetOneAni(got));

  EXPECT_EQ(ani.GetNumFromID(nullptr), 3);
  ASSERT_TRUE(ani.GetFirstAniFromID(got));
  ASSERT_TRUE(ani.GetNextAniFromID(got));
  EXPECT_STREQ(got.szID, "standdwn01");
  ASSERT_TRUE(ani.GetNextAniFromID(got));
  EXPECT_FALSE(ani.GetNextAniFromID(got));
  EXPECT_FALSE(ani.m_bBrowsing);

  EXPECT_EQ(ani.GetNumFromID("standdwn01"), 1);
  ASSERT_TRUE(ani.GetFirstAniFromID(got));
  EXPECT_EQ(got.nDelay, 70);
  EXPECT_EQ(ani.GetNumFromID("nothing"), 0);
  EXPECT_FALSE(ani.GetFirstAniFromID(got));
}

TEST_F(PackTablesTest, SkipToNextStaysOnARowWithoutAFrameCount) {
  CPackAniDataBase ani(path_.c_str());
  ASSERT_TRUE(ani.AddAni(Ani("a0000000", 0, 1)));
  ASSERT_TRUE(ani.AddAni(Ani("b0000000", 1, 1)));
  ASSERT_EQ(ani.GetNumFromID(nullptr), 2);
  stPackAniInfo got;
  EXPECT_TRUE(ani.SkipToNext());
  ASSERT_TRUE(ani.GetOneAni(got));
  EXPECT_STREQ(got.szID, "a0000000");
}

TEST_F(PackTablesTest, AnimationUpdatesReturnTheirOwnResultAndValidate) {
  CPackAniDataBase ani(path_.c_str());
  EXPECT_FALSE(ani.SetAniInfo("none", Ani("none", 1, 1)));
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_FALSE(ani.AddAni(Ani("", 1, 1)));
  EXPECT_FALSE(ani.SetAniInfo(nullptr, Ani("x", 1, 1)));
  ASSERT_EQ(HeadlessMessages().size(), 2u);
  ExpectMessage(0, kIdEmpty, kAniCaption);
  ExpectMessage(1, kIdEmpty, kAniCaption);
  // An 11-byte identifier fits ANITABLE's field.
  ASSERT_TRUE(ani.AddAni(Ani("abcdefghi01", 1, 9)));
  stPackAniInfo got;
  ASSERT_TRUE(ani.GetAniInfo("abcdefghi01", got));
  EXPECT_EQ(got.nDelay, 9);
  // An update that cannot run: AddAni gives its false.
  ASSERT_TRUE(db_->ExecuteCommand("CREATE TRIGGER [NOUPDATE] BEFORE UPDATE ON [ANITABLE] BEGIN SELECT RAISE(FAIL, 'no'); END"));
  EXPECT_FALSE(ani.AddAni(Ani("abcdefghi01", 1, 10)));
}

TEST_F(PackTablesTest, AddResReportsSuccessEvenWhenItsUpdateFails) {
  CPackResDataBase res(path_.c_str());
  ASSERT_TRUE(res.AddRes(Res("a", "\\a.pak", 0, 1)));
  ASSERT_TRUE(db_->ExecuteCommand("CREATE TRIGGER [NOUPDATE] BEFORE UPDATE ON [RESTABLE] BEGIN SELECT RAISE(FAIL, 'no'); END"));
  EXPECT_TRUE(res.AddRes(Res("a", "\\a.pak", 5, 9)));
  stPackResInfo got;
  ASSERT_TRUE(res.GetResInfo("a", got));
  EXPECT_EQ(got.nStart, 0);
  EXPECT_FALSE(res.SetResInfo("a", Res("a", "\\a.pak", 5, 9)));
}

}  // namespace
