// The sample game's world: the words of its map events, and its settings
// applied through the engine's sound device and display manager.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "demo/map_events.h"
#include "demo/settings.h"
#include "engine/view_manage.h"
#include "platform/system_volume.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/dx_sound.h"
#include "support/test_support.h"

namespace {

using demo::MapEvent;

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

class SettingsServicesTest : public tessera::test::EngineTest {};

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
