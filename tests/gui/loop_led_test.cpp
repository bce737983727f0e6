// QLoopLED: slot choice, step timing on the shared timer, the ring and the
// view shown through the edit, and how long messages stay.
#include "gui/loop_led.h"

#include <memory>
#include <string>
#include <vector>

#include "gui/edit.h"
#include "gui_fixture.h"
#include "testing/manual_clock.h"

namespace {

using tessera::test::GuiTest;

class LoopLedTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    edit_ = std::make_unique<QEdit>(0, 0, 99, 19, 199, nullptr, nullptr);
  }
  // One marquee step: a frame that starts the shared timer, then one 201 ms
  // later.
  void Step(QLoopLED& led) {
    led.Show(nullptr);
    clock_->Advance(201);
    led.Show(nullptr);
  }
  std::string Shown() { return reinterpret_cast<char*>(edit_->GetText()); }
  std::unique_ptr<QEdit> edit_;
};

// Without messages the edit keeps its text; the first step comes more than
// 200 ms after the frame that started the shared timer, two bytes a step
// until the end of the ring, then back to the start.
TEST_F(LoopLedTest, StepsEvery201MillisecondsOrMore) {
  QLoopLED led(edit_.get());
  char keep[] = "keep";
  edit_->SetText(keep);
  Step(led);
  EXPECT_EQ(Shown(), "keep");
  char text[] = "ABCDEFGH";
  led.AddText(text, 1);
  led.Show(nullptr);
  clock_->Advance(200);
  led.Show(nullptr);
  EXPECT_EQ(Shown(), "keep");  // not stepped yet
  clock_->Advance(1);
  led.Show(nullptr);
  EXPECT_EQ(Shown(), std::string(16, ' ') + "ABCDEFGH");
  for (int i = 0; i < 11; ++i) Step(led);
  EXPECT_EQ(Shown(), "GH");
  Step(led);
  EXPECT_EQ(Shown(), std::string(16, ' ') + "ABCDEFGH");
}

TEST_F(LoopLedTest, LandsOnTheFirstByteOfAChineseCharacter) {
  QLoopLED led(edit_.get());
  // 16 spaces, "a", 你: from offset 16 ('a' then a high byte) the step is 1.
  char text[] = "a\xC4\xE3z";
  led.AddText(text, 1);
  for (int i = 0; i < 9; ++i) Step(led);
  EXPECT_EQ(Shown(), "a\xC4\xE3z");
  Step(led);
  EXPECT_EQ(Shown(), "\xC4\xE3z");
}

TEST_F(LoopLedTest, TimedMessagesDropOutAndPermanentOnesStay) {
  QLoopLED led(edit_.get());
  char a[] = "AAA", b[] = "BBB";
  led.AddText(a, 3);
  led.AddText(b, 1);
  for (int i = 0; i < 299; ++i) Step(led);
  EXPECT_NE(std::string(led.m_szRing).find("AAA"), std::string::npos);
  Step(led);  // the 300th step
  EXPECT_EQ(std::string(led.m_szRing), std::string(16, ' ') + "BBB");
  EXPECT_EQ(led.m_Slot[1].count, -1);
  // The view never reads past the shorter ring.
  EXPECT_LE(led.m_nOffset, 19);
}

TEST_F(LoopLedTest, NewMessagesTakeTheSlotWithTheSmallestCount) {
  QLoopLED led(edit_.get());
  char t[] = "x";
  for (int mode : {1, 2, 3, 2, 1, 2, 2, 2}) led.AddText(t, mode);
  EXPECT_EQ((std::vector<int>{led.m_Slot[0].count, led.m_Slot[1].count, led.m_Slot[2].count,
                              led.m_Slot[4].count}),
            (std::vector<int>{-1, 3000, 300, -1}));
  // The ninth goes to the smallest count (slot 2), keeping its count with
  // an unknown mode.
  char ninth[] = "ninth";
  led.AddText(ninth, 7);
  EXPECT_EQ(std::string(led.m_Slot[2].text), std::string(16, ' ') + "ninth");
  EXPECT_EQ(led.m_Slot[2].count, 300);
  // Permanent slots are kept while any other exists; all permanent: slot 0.
  for (auto& slot : led.m_Slot) slot.count = -1;
  led.m_Slot[5].count = 9;
  char tenth[] = "tenth";
  led.AddText(tenth, 1);
  EXPECT_EQ(std::string(led.m_Slot[5].text), std::string(16, ' ') + "tenth");
  char last[] = "last";
  led.AddText(last, 1);
  EXPECT_EQ(std::string(led.m_Slot[0].text), std::string(16, ' ') + "last");
  // Empty texts are ignored; long ones are cut to the slot.
  char empty[] = "";
  led.AddText(empty, 2);
  std::string big(400, 'L');
  led.AddText(big.data(), 1);
  EXPECT_EQ(std::string(led.m_Slot[0].text).size(), 139u);
}

TEST_F(LoopLedTest, FullRingIsCutAndTheViewIs139Bytes) {
  QLoopLED led(edit_.get());
  std::string big(200, 'R');
  for (int i = 0; i < 8; ++i) led.AddText(big.data(), 1);
  Step(led);
  EXPECT_EQ(std::string(led.m_szRing).size(), 1112u);  // 8 x 139
  EXPECT_EQ(Shown().size(), 139u);
}

}  // namespace
