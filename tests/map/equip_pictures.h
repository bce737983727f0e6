// Equipment pictures in a real resource pack, for the map suites: a view
// manager over a test pack, and packed alpha frames stored under the
// ten-digit equipment identifiers.
#ifndef TESSERA_TESTS_MAP_EQUIP_PICTURES_H
#define TESSERA_TESTS_MAP_EQUIP_PICTURES_H

#include <memory>
#include <string>
#include <vector>

#include "database/database.h"
#include "engine/dle_surface.h"
#include "engine/view_manage.h"
#include "gui/map/equip_pool.h"
#include "public/engine.h"
#include "support/test_pack.h"
#include "support/test_support.h"

namespace tessera::test {

// The colour every pixel of a picture frame gets: distinct per direction,
// state, part and frame, with blue 8 + part * 4 (the tint's strength) and
// the direction in red, the frame in green.
inline uint16_t EquipColour(long direction, long state, long part, long frame) {
  return static_cast<uint16_t>((direction * 3 + state) << 10 | (frame * 4 + 1) << 5 |
                               (8 + part * 4));
}

// A w x h frame whose left column and top row are transparent (weight 32)
// and every other pixel opaque (weight 0) in `colour`.
inline std::string EquipFrame(int w, int h, uint16_t colour) {
  std::vector<uint16_t> c(static_cast<size_t>(w) * h, colour);
  std::vector<uint8_t> t(c.size(), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (x == 0 || y == 0) t[static_cast<size_t>(y) * w + x] = 32;
  const std::vector<uint8_t> bytes = EncodeDleImage(w, h, c.data(), t.data());
  return std::string(bytes.begin(), bytes.end());
}

class EquipPackTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    MakeTestPack(dir, &res);
    ASSERT_TRUE(res);
    ASSERT_EQ(AfxCreateViewManager(160, 120, nullptr), 1);
    vm = AfxGetViewManager();
    vm->Initialize(res.get());
  }
  void TearDown() override {
    CEquipPool::ReleaseAll();
    AfxFreeEngine();
    res.reset();
    EngineTest::TearDown();
  }
  // Pictures and tint pictures of (role, state, part, item) for all eight
  // directions; frames[d] frames in direction d (default 4 each).
  void AddEquip(long role, long state, long part, long item, std::vector<int> frames = {},
                int w = 6, int h = 8) {
    if (frames.empty()) frames.assign(8, 4);
    char id[16];
    std::vector<std::pair<std::string, std::string>> batch;
    for (int d = 0; d < 8; ++d)
      for (int f = 0; f < frames[d]; ++f) {
        EquipPictureId(id, d, 1, state, role, part, item, f);
        batch.emplace_back(id, EquipFrame(w, h, EquipColour(d, state, part, f)));
        EquipPictureId(id, d, 2, state, role, part, item, f);
        batch.emplace_back(id, EquipFrame(w, h, 0x7FFF));
      }
    AddBatch(batch);
  }
  // Stores many resources at once: one append to "\a.pak" and one
  // transaction of index rows (one CRes::AddDataToPack each would sync the
  // pack and commit for every frame, which makes a person's hundreds of
  // frames slow to build).
  void AddBatch(const std::vector<std::pair<std::string, std::string>>& batch) {
    const std::string pak = dir.File("game/a.pak");
    std::string bytes = ReadFile(pak);
    CDataBase* db = AfxGetDataBase((dir.path() + "\\game\\game.mdb").c_str());
    ASSERT_NE(db, nullptr);
    ASSERT_TRUE(db->ExecuteCommand("BEGIN"));
    for (const auto& [id, data] : batch) {
      const size_t start = bytes.size();
      bytes += data;
      const std::string sql = "INSERT INTO RESTABLE VALUES('" + id + "','\\a.pak'," +
                              std::to_string(start) + "," + std::to_string(bytes.size()) + ")";
      ASSERT_TRUE(db->ExecuteCommand(sql.c_str()));
    }
    ASSERT_TRUE(db->ExecuteCommand("COMMIT"));
    WriteFile(pak, bytes);
  }

  TempDir dir;
  std::unique_ptr<CRes> res;
  CVIEWMANAGE* vm = nullptr;
};

}  // namespace tessera::test

#endif
