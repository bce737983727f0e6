// The sample game's own rules: the quest, saved games and settings in the
// game database, the script format its tests are written in, the words of
// its map events, and its settings applied through the engine's sound
// device and display manager.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "database/database.h"
#include "database/schema.h"
#include "demo/demo_script.h"
#include "demo/game_state.h"
#include "demo/map_events.h"
#include "demo/quest.h"
#include "demo/settings.h"
#include "engine/view_manage.h"
#include "platform/system_volume.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/dx_sound.h"
#include "support/test_support.h"

namespace {

using demo::GameState;
using demo::MapEvent;

// --- the quest --------------------------------------------------------

// Every path through the quest, step by step: the stage after each step,
// the gold, whether the pendant is carried, and that it lies on the floor
// only while the quest is accepted.
TEST(Quest, PlaysThroughEveryPath) {
  struct Step {
    char what;  // t talk, y answer yes, n answer no, p pick up
    int stage;
    int gold;
    bool carries;
    bool result;  // pick up: taken; talk: asks a question; else false
  };
  const std::vector<std::vector<Step>> paths = {
      // Refuse, then ask again and accept.
      {{'t', 0, 0, false, true},
       {'n', 0, 0, false, false},
       {'t', 0, 0, false, true},
       {'y', 1, 0, false, false}},
      // Nothing to pick up before the elder asked; a reminder before the
      // pendant is found; the pendant leaves the bag for the reward, once.
      {{'p', 0, 0, false, false},
       {'t', 0, 0, false, true},
       {'y', 1, 0, false, false},
       {'t', 1, 0, false, false},
       {'p', 2, 0, true, true},
       {'p', 2, 0, true, false},
       {'t', 3, 100, false, false},
       {'t', 3, 100, false, false}},
  };
  for (size_t n = 0; n < paths.size(); ++n) {
    GameState s = demo::NewGame();
    const size_t bag = s.items.size();
    for (size_t i = 0; i < paths[n].size(); ++i) {
      const Step& step = paths[n][i];
      bool result = false;
      if (step.what == 't') result = demo::TalkToElder(&s).asks;
      if (step.what == 'y') demo::AnswerElder(&s, 0);
      if (step.what == 'n') demo::AnswerElder(&s, 1);
      if (step.what == 'p') result = demo::PickUpPendant(&s);
      SCOPED_TRACE("path " + std::to_string(n) + " step " + std::to_string(i));
      EXPECT_EQ(std::make_tuple(s.quest, s.gold, s.Carries(demo::kItemPendant)),
                std::make_tuple(step.stage, step.gold, step.carries));
      EXPECT_EQ(result, step.result);
      EXPECT_EQ(demo::PendantOnFloor(s), s.quest == demo::kQuestAccepted);
    }
    EXPECT_EQ(s.items.size(), bag + (s.Carries(demo::kItemPendant) ? 1 : 0));
  }
}

TEST(Quest, AStageOfCarryingWithoutThePendantGoesBackToTheSearch) {
  GameState s;
  s.quest = demo::kQuestCarrying;  // as an edited save might say
  EXPECT_EQ(demo::TalkToElder(&s).reward, 0);
  EXPECT_EQ(std::make_pair(s.quest, s.gold), std::make_pair(int{demo::kQuestAccepted}, 0));
}

// --- saves and settings in the game database ---------------------------

class SaveTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = scratch() + "/game.mdb";
    ASSERT_TRUE(tessera::CreateDataBaseFile(path_));
    ASSERT_TRUE(AfxInitDataBase(path_.c_str()));
    db_ = AfxGetDataBase(path_.c_str());
    ASSERT_NE(db_, nullptr);
  }
  std::string path_;
  CDataBase* db_ = nullptr;
};

TEST_F(SaveTest, AGameComesBackAsItWasSaved) {
  GameState s = demo::NewGame();
  s.map = demo::kHouse;
  s.cell_x = 12, s.cell_y = 13, s.quest = demo::kQuestCarrying, s.gold = 250, s.life = 64;
  s.Give(demo::kItemPendant);
  s.MarkPicked(demo::kVillage, "apple");
  s.MarkPicked(demo::kHouse, "apple_2");
  s.MarkPicked(demo::kHouse, "apple_2");  // once only
  s.MarkPicked(demo::kHouse, "it's");     // not a goods name: ignored
  EXPECT_EQ(s.picked, (std::vector<std::string>{"0:apple", "1:apple_2"}));
  GameState back;
  std::string error;
  EXPECT_FALSE(demo::LoadGame(db_, 1, &back, &error));  // no table yet
  EXPECT_EQ(error, "no saved game");
  EXPECT_FALSE(demo::LoadGame(nullptr, 1, &back, &error));
  ASSERT_TRUE(demo::SaveGame(db_, 1, s, &error)) << error;
  ASSERT_TRUE(demo::LoadGame(db_, 1, &back, &error)) << error;
  EXPECT_TRUE(back == s);
  EXPECT_TRUE(demo::HasSave(db_, 1));
  EXPECT_FALSE(demo::HasSave(db_, 2));
}

// A row no save of the game could have written is refused whole, and the
// game in memory stays as it was.
TEST_F(SaveTest, ADamagedSaveIsRefusedAndChangesNothing) {
  ASSERT_TRUE(demo::CreateSaveTable(db_));
  const char* rows[] = {
      "(1, 2, 3, 3, 0, 0, 100, '', '')",         // no such map
      "(1, 1, 26, 3, 0, 0, 100, '', '')",        // off the house's 26 columns
      "(1, 0, 3, 30, 0, 0, 100, '', '')",        // off the village's 30 rows
      "(1, 0, -1, 3, 0, 0, 100, '', '')",        // a negative cell
      "(1, 0, 3, 3, 4, 0, 100, '', '')",         // no such quest stage
      "(1, 0, 3, 3, 0, -5, 100, '', '')",        // negative gold
      "(1, 0, 3, 3, 0, 0, 101, '', '')",         // life past the gauge
      "(1, 0, 3, 3, 0, 0, 100, '1,9', '')",      // no such item
      "(1, 0, 3, 3, 0, 0, 100, '1,,2', '')",     // an empty item
      "(1, 0, 3, 3, 0, 0, 100, '1,x', '')",      // not a number
      "(1, 0, 3, 3, 0, 0, NULL, '', '')",        // a missing value
      "(1, 0, 3, 3, 'two', 0, 100, '', '')",     // text for a number
      "(1, 0, 3, 3, 0, 0, 100, '', '2:apple')",  // goods on no such map
      "(1, 0, 3, 3, 0, 0, 100, '', '0:')",       // goods without a name
      "(1, 0, 3, 3, 0, 0, 100, '', '0:a b')",    // not a goods name
  };
  for (const char* row : rows) {
    ASSERT_TRUE(db_->ExecuteCommand(
        (std::string("INSERT OR REPLACE INTO SAVETABLE VALUES ") + row).c_str()));
    GameState s = demo::NewGame();
    const GameState before = s;
    std::string error;
    EXPECT_FALSE(demo::LoadGame(db_, 1, &s, &error)) << row;
    EXPECT_EQ(error, "the saved game is damaged") << row;
    EXPECT_TRUE(s == before) << row;
  }
}

// A table written before picked goods were remembered gains the column
// when opened, and its saves load with nothing picked; saving over a slot
// replaces it.
TEST_F(SaveTest, AnOlderSaveTableGainsThePickedColumn) {
  ASSERT_TRUE(db_->ExecuteCommand(
      "CREATE TABLE SAVETABLE (SLOT INTEGER PRIMARY KEY, MAP INTEGER, CELLX INTEGER, "
      "CELLY INTEGER, QUEST INTEGER, GOLD INTEGER, LIFE INTEGER, ITEMS TEXT)"));
  ASSERT_TRUE(db_->ExecuteCommand("INSERT INTO SAVETABLE VALUES (1, 0, 3, 3, 0, 9, 100, '2')"));
  GameState s;
  std::string error;
  ASSERT_TRUE(demo::LoadGame(db_, 1, &s, &error)) << error;
  EXPECT_EQ(s.gold, 9);
  EXPECT_TRUE(s.picked.empty());
  s.MarkPicked(demo::kVillage, "apple");
  ASSERT_TRUE(demo::SaveGame(db_, 1, s, &error)) << error;
  GameState back;
  ASSERT_TRUE(demo::LoadGame(db_, 1, &back, &error)) << error;
  EXPECT_TRUE(back == s);
}

TEST_F(SaveTest, SettingsKeepTheirValuesAndRefuseOutOfRangeOnes) {
  EXPECT_EQ(demo::LoadSettings(db_).music, 80);  // defaults without a row
  demo::Settings s;
  s.music = 30, s.effects = 100, s.full_screen = true;
  ASSERT_TRUE(demo::SaveSettings(db_, s));
  demo::Settings back = demo::LoadSettings(db_);
  EXPECT_EQ(std::make_tuple(back.music, back.effects, back.full_screen),
            std::make_tuple(30, 100, true));
  ASSERT_TRUE(db_->ExecuteCommand("UPDATE SETTINGTABLE SET MUSIC = 130"));
  back = demo::LoadSettings(db_);
  EXPECT_EQ(back.music, 80);  // the whole row falls back to the defaults
  EXPECT_FALSE(back.full_screen);
}

TEST(Settings, VolumeStepsWrapFromFullToSilent) {
  const std::pair<int, int> steps[] = {
      {0, 10},
      {95, 100},
      {100, 0},
  };
  for (auto [from, to] : steps) EXPECT_EQ(demo::NextVolume(from), to) << from;
}

// --- the script format ---------------------------------------------------

TEST(Script, ReadsEveryKindOfEvent) {
  std::vector<demo::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(demo::ParseScript(
      "# a tour\n\n3 click 120 300\r\n4 rclick 1 2\n5 move 7 8\n6 key alt+enter\n7 key f5\n"
      "8 type \xE4\xBD\xA0\xE5\xA5\xBD hi there\n9 hash village\n10 shot a.png\n11 quit\n",
      "s", &events, &error))
      << error;
  ASSERT_EQ(events.size(), 9u);
  using E = demo::ScriptEvent;
  std::vector<int> kinds;
  for (const E& e : events) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, (std::vector<int>{E::kClick, E::kRightClick, E::kMove, E::kKey, E::kKey,
                                     E::kType, E::kHash, E::kShot, E::kQuit}));
  EXPECT_EQ(std::make_tuple(events[0].x, events[0].y, events[8].frame),
            std::make_tuple(120, 300, 11));
  EXPECT_EQ(std::make_tuple(events[3].key, events[3].alt, events[4].key, events[4].alt),
            std::make_tuple(13, true, 116, false));
  EXPECT_EQ(events[5].text, "\xC4\xE3\xBA\xC3 hi there");  // 你好 in GBK, the rest of the line
  EXPECT_EQ(events[6].text, "village");
}

TEST(Script, NamesTheLineOfAMistake) {
  const char* bad[] = {"3 jump\n",       "x click 1 2\n", "3 click 1\n", "3 click 1 2 3\n",
                       "-1 quit\n",      "3 key space\n", "3 type\n",    "3 hash\n",
                       "3 click -4 2\n", "3x quit\n"};
  for (const char* text : bad) {
    std::vector<demo::ScriptEvent> events;
    std::string error;
    EXPECT_FALSE(demo::ParseScript(std::string("1 quit\n") + text, "tour", &events, &error))
        << text;
    EXPECT_EQ(error.rfind("tour:2: expected", 0), 0u) << error;
  }
}

TEST(Script, AMissingFileIsNamedInFull) {
  std::vector<demo::ScriptEvent> events;
  std::string error;
  EXPECT_FALSE(demo::LoadScript("no/such/script.txt", &events, &error));
  ASSERT_FALSE(error.empty());
  EXPECT_EQ(error.front(), '/') << error;  // the full path, not the one typed
  EXPECT_TRUE(tessera::test::Contains(error, "/no/such/script.txt: cannot open"));
}

// --- map events ---------------------------------------------------------

TEST(MapEvents, ReadsDoorsAndSpawnsOnTheirCells) {
  MapEvent e;
  ASSERT_TRUE(demo::ParseMapEvent("door house 12 13", 8 * 40 + 11, 40, 30, &e));
  EXPECT_EQ(std::make_tuple(e.kind, e.cell.x, e.cell.y, e.to.x, e.to.y),
            std::make_tuple(MapEvent::kDoor, 11, 8, 12, 13));
  EXPECT_EQ(e.name, "house");

  ASSERT_TRUE(demo::ParseMapEvent("  spawn smith 404040 c0C0c0 23,10 23,13 39,29 ", 10 * 40 + 23,
                                  40, 30, &e));
  EXPECT_EQ(std::make_tuple(e.kind, e.shirt, e.hat),
            std::make_tuple(MapEvent::kSpawn, 0x404040, 0xC0C0C0));
  EXPECT_EQ(e.name, "smith");
  ASSERT_EQ(e.path.size(), 3u);
  // The last column and row are on the map.
  EXPECT_EQ(std::make_pair(e.path[2].x, e.path[2].y), std::make_pair(39, 29));
}

TEST(MapEvents, RefusesWhatIsNotADoorOrASpawnAndLeavesTheOutputAlone) {
  struct Case {
    const char* text;
    long cell;
  } bad[] = {
      {"", 0},
      {"chest 3 4", 0},               // another kind of event
      {"door house 12", 0},           // a word short
      {"door house 12 13 14", 0},     // a word too many
      {"door house -1 3", 0},         // a negative cell
      {"door house 1x 3", 0},         // not a number
      {"door house 12 13", 40 * 30},  // the event's cell off the map
      {"door house 12 13", -1},
      {"spawn elder A04040 604020", 0},         // no cell to stand on
      {"spawn elder A0404 604020 1,1", 0},      // five hex digits
      {"spawn elder A04040 60402G 1,1", 0},     // not hex
      {"spawn elder A04040 604020 40,1", 0},    // a column off the map
      {"spawn elder A04040 604020 1,30", 0},    // a row off the map
      {"spawn elder A04040 604020 1;1", 0},     // no comma
      {"spawn elder A04040 604020 1,1 2,", 0},  // half a cell
  };
  for (const Case& c : bad) {
    MapEvent e;
    e.name = "untouched";
    EXPECT_FALSE(demo::ParseMapEvent(c.text, c.cell, 40, 30, &e)) << c.text;
    EXPECT_EQ(e.name, "untouched") << c.text;
  }
  MapEvent e;
  EXPECT_FALSE(demo::ParseMapEvent("door house 1 1", 0, 0, 30, &e));  // a map without columns
}

// --- settings through the engine's services --------------------------------

using SettingsServicesTest = tessera::test::EngineTest;

TEST_F(SettingsServicesTest, VolumesGoToTheMidiAndWaveSystemVolumes) {
  CDXSound sound;
  ASSERT_EQ(sound.Create(nullptr), 1);
  demo::Settings s;
  s.music = 30;
  s.effects = 100;
  EXPECT_TRUE(demo::ApplyVolumes(&sound, s));
  const unsigned long music = 30u * 65535u / 100u;
  EXPECT_EQ(sound.GetMIDIVolume(), music | (music << 16));  // both sides alike
  EXPECT_EQ(sound.GetDIGIVolume(), 0xFFFFFFFFul);
  // A device without volume control changes nothing and is no failure.
  tessera::SystemVolumes().SetSupport(tessera::VolumeDevice::kMidi, 0);
  s.music = 70;
  EXPECT_TRUE(demo::ApplyVolumes(&sound, s));
  EXPECT_EQ(sound.GetMIDIVolume(), music | (music << 16));
  EXPECT_TRUE(demo::ApplyVolumes(nullptr, s));  // no device: nothing to set
}

// The display follows the setting; asking for the mode it is in changes
// nothing (a toggle would leave the window).
TEST_F(SettingsServicesTest, FullScreenFollowsTheSetting) {
  HWND window = tessera::CreateWindowRecord(800, 600);
  ASSERT_EQ(AfxCreateViewManager(800, 600, window), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  for (bool full : {true, true, false}) {
    EXPECT_TRUE(demo::ApplyDisplayMode(vm, full));
    EXPECT_EQ(vm->IsFullScreen() != 0, full);
  }
  EXPECT_FALSE(demo::ApplyDisplayMode(nullptr, true));
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

}  // namespace
