// Typed pack names to the names RESTABLE records.
#include "pack/pack_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PackName, OrdinaryPathsBecomeTheEnginesForm) {
  const struct {
    std::string typed, recorded;  // recorded empty: refused
  } table[] = {
      {"game.pak", "\\game.pak"},
      {"a//b\\./c.pak", "\\a\\b\\c.pak"},
      {"\\game.pak", "\\game.pak"},
      {"*data\\x.pak", "*data\\x.pak"},
      {"*data//x.pak", "*data\\x.pak"},
      {"./././g", "\\g"},
      {"", ""},
      {".", ""},
      {"a/..", ""},
      {"..\\x.pak", ""},
      {"*", ""},
      {"\\", ""},
      {"x.pak/", ""},
      {"bad\tname.pak", ""},
      {std::string(256, 'p'), ""},
      {std::string(254, 'p'), "\\" + std::string(254, 'p')},
  };
  for (const auto& row : table) {
    std::string name = "unchanged", error;
    const bool ok =
        tessera::NormalizePackName(row.typed, "nowhere/db/Game.mdb", "nowhere/", &name, &error);
    EXPECT_EQ(ok, !row.recorded.empty()) << row.typed << ": " << error;
    if (ok) {
      EXPECT_EQ(name, row.recorded) << row.typed;
    } else {
      EXPECT_EQ(name, "unchanged") << row.typed;
      EXPECT_FALSE(error.empty()) << row.typed;
    }
  }
}

}  // namespace
