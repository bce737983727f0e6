// Names and sentences of the display and sound interfaces' result codes.
#include "sound/dx_error.h"

#include <set>
#include <string>

#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

class DxErrorTest : public EngineTest {};

TEST_F(DxErrorTest, DDErrorShowsNameFileAndLine) {
  EXPECT_EQ(DDError(HRESULT(0x887601C2), nullptr, "view.cpp", 42), 1);  // surface lost, 450
  EXPECT_EQ(DDError(HRESULT(0x12345678), nullptr, "a.cpp", 7), 1);
  ASSERT_EQ(HeadlessMessages().size(), 2u);
  EXPECT_EQ(HeadlessMessages()[0].caption, "Error");
  EXPECT_EQ(HeadlessMessages()[0].text,
            "DirectDraw Error DDERR_SURFACELOST\nFILE: view.cpp\nLINE: 42");
  EXPECT_EQ(HeadlessMessages()[0].icon, MessageIcon::kNone);
  EXPECT_EQ(HeadlessMessages()[1].text, "DirectDraw Error Unknown Error\nFILE: a.cpp\nLINE: 7");
}

TEST_F(DxErrorTest, DSErrorNamesAndShowsNothing) {
  EXPECT_STREQ(DSErrorName(DSERR_BUFFERLOST), "DSERR_BUFFERLOST");
  EXPECT_STREQ(DSErrorName(DSERR_UNINITIALIZED), "DSERR_UNINITIALIZED");
  EXPECT_STREQ(DSErrorName(DSERR_NOAGGREGATION), "DSERR_NOAGGREGATION");
  EXPECT_STREQ(DSErrorName(DSERR_INVALIDPARAM), "DSERR_INVALIDPARAM");
  EXPECT_STREQ(DSErrorName(0x1234), "Unknown Error");
  DSError(DSERR_NODRIVER, nullptr);
  DSError(0x1234, nullptr);
  EXPECT_TRUE(HeadlessMessages().empty());
}

// Every code from 0x88760000 to 0x887602FF that has a name has its own and
// a sentence of its own: the 95 named ones of that range (plus 5 shared COM
// codes outside it).
TEST_F(DxErrorTest, DisplayCodesHaveNamesAndSentences) {
  EXPECT_STREQ(DDErrorName(HRESULT(0x80004005)), "DDERR_GENERIC");
  EXPECT_STREQ(DDErrorName(HRESULT(0x8876021C)), "DDERR_WASSTILLDRAWING");  // 540
  EXPECT_STREQ(DDErrorName(0), "Unknown Error");
  EXPECT_STREQ(DXErrorToString(0), "No error.");
  EXPECT_STREQ(DXErrorToString(HRESULT(0x80004005)), "Generic failure.");
  EXPECT_STREQ(
      DXErrorToString(HRESULT(0x887601C2)),
      "Access to this surface is being refused because the surface memory is gone. The "
      "DirectDrawSurface object representing this surface should have Restore called on it.");
  EXPECT_STREQ(DXErrorToString(HRESULT(0x88760001)), "Unrecognized error value.");
  std::set<std::string> names, sentences;
  for (uint32_t c = 0x88760000; c < 0x88760300; ++c) {
    const std::string n = DDErrorName(HRESULT(c));
    if (n == "Unknown Error") continue;
    EXPECT_EQ(n.rfind("DDERR_", 0), 0u);
    names.insert(n);
    sentences.insert(DXErrorToString(HRESULT(c)));
  }
  EXPECT_EQ(names.size(), 95u);
  EXPECT_EQ(sentences.size(), 95u);
  EXPECT_EQ(sentences.count("Unrecognized error value."), 0u);
}

}  // namespace
}  // namespace tessera::test
