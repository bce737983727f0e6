// Entry functions, the random pair and the two error reporters.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "gui/area.h"
#include "gui/chain_manager.h"
#include "input/mouse.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/random.h"
#include "public/engine.h"
#include "public/error_report.h"
#include "public/random.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::ReadFile;

const char kErrorCaption[] = "\xB4\xED\xCE\xF3\xA3\xA1\xA3\xA1\xA3\xA1";  // 错误！！！

class EntryTest : public EngineTest {};

TEST_F(EntryTest, ScreenSizeRoundsDownToMultiplesOfFour) {
  AfxSetScreenWidth(803);
  AfxSetScreenHeight(7);
  EXPECT_EQ(AfxGetScreenWidth(), 800);
  EXPECT_EQ(AfxGetScreenHeight(), 4);
}

// A second cursor replaces the first without freeing it (the caller's
// problem; here the test frees it).  The focus and the chain manager are
// no services: freeing the engine leaves them.
TEST_F(EntryTest, MouseCursorAndAreaPointers) {
  AfxCreateMouse();
  QMouse* first = AfxGetMouse();
  ASSERT_NE(first, nullptr);
  AfxCreateMouse();
  EXPECT_NE(AfxGetMouse(), first);
  delete first;
  QArea area(0, 0, 9, 9);
  AfxSetNowFocus(&area);
  CChainManager* chains = AfxGetChainManager();
  AfxFreeEngine();
  EXPECT_EQ(AfxGetMouse(), nullptr);
  EXPECT_EQ(AfxGetChainManager(), chains);
  EXPECT_EQ(AfxGetNowFocus(), &area);
}

TEST_F(EntryTest, RandFollowsTheClassicGeneratorAndStaysInRange) {
  // The classic 15-bit generator seeded with 1 starts 41, 18467, 6334.
  tessera::SeedRandom(1);
  EXPECT_EQ((std::vector<int>{tessera::NextRandom(), tessera::NextRandom(), tessera::NextRandom()}),
            (std::vector<int>{41, 18467, 6334}));

  // low + the next value modulo the span; negative ranges and the full int
  // range (whose span overflows to 0) stay defined.
  for (auto [low, high, want] : {std::tuple{0, 9, 41 % 10},
                                 {100, 100 + 18466, 100 + 18467 % 18467},
                                 {5, 5, 5},
                                 {-3, -1, -3 + 41 % 3},
                                 {INT32_MIN, INT32_MAX, INT32_MIN + 41}}) {
    tessera::SeedRandom(1);
    if (low == 100) tessera::NextRandom();
    EXPECT_EQ(Rand(low, high), want) << low << ".." << high;
  }
}

TEST_F(EntryTest, InitRandSeedsFromTheCalendarTime) {
  InitRand();  // two seeds within the same second give the same sequence
  const int a = tessera::NextRandom();
  InitRand();
  EXPECT_EQ(tessera::NextRandom(), a);
}

// ErrorBox formats, shows with the stop icon and its caption, cuts text
// at its 1024-byte buffer, and prints the box as a UTF-8 line on stderr.
TEST_F(EntryTest, ErrorBoxFormatsShowsAndPrints) {
  testing::internal::CaptureStderr();
  ErrorBox("Not found file %s.\n %s %ld", "map01", "res.cpp", 42L);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "MSGBOX [错误！！！] Not found file map01.\n res.cpp 42\n");
  ErrorBox("%s", std::string(5000, 'x').c_str());
  const auto& log = tessera::HeadlessMessages();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].caption, kErrorCaption);
  EXPECT_EQ(log[0].text, "Not found file map01.\n res.cpp 42");
  EXPECT_EQ(log[1].text.size(), 1023u);
}

using EntryDeathTest = EntryTest;

// Exit handlers would print: a fatal error ends without running them.
TEST_F(EntryDeathTest, DebugOutLogsShowsAndExitsWithCodeZero) {
  std::remove("ErrOut.txt");
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handler ran\n", stderr); });
        DebugOut("Can't create bitmap", "surface.cpp", 77);
      },
      testing::ExitedWithCode(0), "^MSGBOX \\[Error\\] Can't create bitmap\n$");
  EXPECT_EQ(ReadFile("ErrOut.txt"), "Error at surface.cpp line 77 : Can't create bitmap \n");
  // A later fatal error replaces the log rather than appending.
  EXPECT_EXIT(DebugOut("second", "b.cpp", 1), testing::ExitedWithCode(0), "second");
  EXPECT_EQ(ReadFile("ErrOut.txt"), "Error at b.cpp line 1 : second \n");
}

}  // namespace
