// The host services every backend shares: paths, windows and messages,
// the system clock, text conversion, the log (the line format, levels,
// silencing and redirection), the PNG writer and the headless presenter's
// frames, and the command-line conventions every tool follows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "engine/view_manage.h"
#include "platform/clock.h"
#include "platform/headless/headless_presenter.h"
#include "platform/log.h"
#include "platform/path.h"
#include "platform/png_writer.h"
#include "platform/text_encoding.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/png_files.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::ReadPng;
using tessera::test::TempDir;
using tessera::test::WriteFile;

TEST(PathTest, BackslashesBecomeSlashesCaseIsMatchedPerComponentAndLastSeparator) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("Data/Maps"));
  WriteFile(dir.File("Data/Maps/Town.MAP"), "x");
  EXPECT_EQ(tessera::NativePath(dir.path() + "\\data\\maps\\town.map"),
            dir.File("Data/Maps/Town.MAP"));
  EXPECT_EQ(tessera::NativePath(dir.path() + "/Data/Maps/Town.MAP"),
            dir.File("Data/Maps/Town.MAP"));
  // A missing component keeps its spelling so that new files can be made;
  // the components before it are still matched.
  EXPECT_EQ(tessera::NativePath(dir.path() + "\\DATA\\new.txt"), dir.File("Data/new.txt"));
  std::FILE* f = tessera::OpenFile(dir.path() + "\\DATA\\MAPS\\TOWN.map", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(tessera::OpenFile(dir.path() + "\\nothing\\here", "rb"), nullptr);
  EXPECT_EQ(tessera::NativePath("data\\Pack.mdb").find('\\'), std::string::npos);
  EXPECT_EQ(tessera::NativePath(""), "");
  EXPECT_EQ(tessera::LastSeparator("a\\b/c"), 3u);
  EXPECT_EQ(tessera::LastSeparator("a/b\\c"), 3u);
  EXPECT_EQ(tessera::LastSeparator("abc"), std::string::npos);
}

LRESULT CountingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* count = static_cast<int*>(w->user_data);
  ++*count;
  // Re-entrance: a message may send another one from inside the procedure.
  if (msg == 1027) tessera::SendMessage(w, 1026, wp + 1, lp);
  return static_cast<LRESULT>(msg) * 10;
}

TEST(WindowTest, SendMessageIsSynchronousLoggedAndReentrant) {
  HWND w = tessera::CreateWindowRecord(640, 480, CountingProc);
  int count = 0;
  w->user_data = &count;
  EXPECT_EQ(tessera::SendMessage(w, 1027, 5, 9), 10270);
  EXPECT_EQ(count, 2);
  const auto& got = tessera::ReceivedMessages(w);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(std::make_tuple(got[0].message, got[1].message, got[1].wparam),
            std::make_tuple(1027u, 1026u, WPARAM{6}));
  EXPECT_EQ(tessera::SendMessage(nullptr, 1, 2, 3), 0);
  tessera::DestroyWindowRecord(w);
}

TEST(WindowTest, PostedMessagesWaitForDispatchAndDieWithTheirWindow) {
  HWND a = tessera::CreateWindowRecord(1, 1);
  HWND b = tessera::CreateWindowRecord(1, 1);
  tessera::PostMessage(a, 1032, 1, 0);
  tessera::PostMessage(b, 1032, 2, 0);
  tessera::PostMessage(a, 1032, 3, 0);
  EXPECT_TRUE(tessera::ReceivedMessages(a).empty());
  tessera::DestroyWindowRecord(b);
  EXPECT_TRUE(tessera::DispatchPostedMessage());
  EXPECT_TRUE(tessera::DispatchPostedMessage());
  EXPECT_FALSE(tessera::DispatchPostedMessage());
  ASSERT_EQ(tessera::ReceivedMessages(a).size(), 2u);
  EXPECT_EQ(tessera::ReceivedMessages(a)[1].wparam, 3u);
  tessera::DestroyWindowRecord(a);
}

// The system clock starts at 1000: 0 is the engine's "timer not started".
TEST(ClockTest, SystemClockIsNeverZero) {
  tessera::SetClock(nullptr);
  EXPECT_GE(tessera::NowMs(), 1000u);
}

TEST(TextEncodingTest, GbkRoundTripsAndBadBytesBecomeQuestionMarks) {
  const std::string gbk = "\xB4\xED\xCE\xF3 ok";  // 错误 ok
  EXPECT_EQ(tessera::GbkToUtf8(gbk), "错误 ok");
  EXPECT_EQ(tessera::Utf8ToGbk("错误 ok"), gbk);
  EXPECT_EQ(tessera::GbkToUtf8("a\xFF!"), "a?!");
  EXPECT_EQ(tessera::GbkToUtf8("a\xB4"), "a?");  // lead byte cut off at the end
}

using tessera::LogLevel;

using LogTest = tessera::test::EngineTest;

TEST_F(LogTest, WarningsGoToStderrByDefaultInUtf8) {
  testing::internal::CaptureStderr();
  tessera::LogWarning("unknown pack identifier '\xD6\xD0'", "not in RESTABLE");  // 中
  tessera::LogInfo("quiet", "below the default level");
  tessera::Log(LogLevel::kError, "broken", "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessera: warning: unknown pack identifier '\xE4\xB8\xAD': not in RESTABLE\n"
            "tessera: error: broken\n");
}

TEST_F(LogTest, LevelsFilterAndAWriterTakesTheLines) {
  std::vector<std::pair<LogLevel, std::string>> got;
  tessera::SetLogWriter(
      [&](LogLevel level, std::string_view line) { got.emplace_back(level, std::string(line)); });
  const struct {
    LogLevel threshold;
    int lines;  // of debug, info, warning, error and "off", never written
  } table[] = {
      {LogLevel::kOff, 0},
      {LogLevel::kWarning, 2},
      {LogLevel::kDebug, 4},
  };
  for (const auto& row : table) {
    got.clear();
    tessera::SetLogLevel(row.threshold);
    EXPECT_EQ(tessera::GetLogLevel(), row.threshold);
    for (LogLevel l :
         {LogLevel::kDebug, LogLevel::kInfo, LogLevel::kWarning, LogLevel::kError, LogLevel::kOff})
      tessera::Log(l, "what", "why");
    ASSERT_EQ(static_cast<int>(got.size()), row.lines);
    if (row.lines > 0) {
      EXPECT_EQ(got.back().first, LogLevel::kError);
    }
  }
  // An empty writer is the default again.
  tessera::SetLogWriter(nullptr);
  testing::internal::CaptureStderr();
  tessera::LogInfo("back", "on stderr");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "tessera: info: back: on stderr\n");
}

TEST(PngWriter, WidensChannelsIn555) {
  TempDir dir;
  const uint16_t px555[3] = {0x7FFF, 0x0443, 0x8000 | (31 << 10)};
  ASSERT_TRUE(tessera::WritePng555(dir.File("a.png"), px555, 3, 1, 6));
  auto img = ReadPng(dir.File("a.png"));
  ASSERT_EQ(img.w, 3);
  EXPECT_EQ(img.Rgb(0, 0), 0xFFFFFFu);
  EXPECT_EQ(img.Rgb(1, 0), 0x081018u);  // 1, 2, 3 widened: 8|0, 16|0, 24|0
  EXPECT_EQ(img.Rgb(2, 0), 0xFF0000u);  // bit 15 ignored
  // The 5-6-5 widening is checked through the presenters' full-screen frames.
  EXPECT_FALSE(tessera::WritePng565(dir.File("no/such/dir.png"), px555, 3, 1, 6));
}

TEST_F(EngineTest, HeadlessPresenterSavesTheLastFrame) {
  auto owned = std::make_unique<tessera::HeadlessPresenter>();
  tessera::HeadlessPresenter* p = owned.get();
  tessera::SetPresenter(std::move(owned));
  HWND window = tessera::CreateWindowRecord(800, 600);
  ASSERT_EQ(AfxCreateViewManager(800, 600, window), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  vm->GetRenderSurface()->SetPixel(0, 0, 0x7C00);
  vm->GetRenderSurface()->SetPixel(799, 599, 0x001F);
  vm->UpdateScreen();
  TempDir dir;
  ASSERT_TRUE(p->SaveFramePng(dir.File("f.png")));
  auto img = ReadPng(dir.File("f.png"));
  ASSERT_EQ(img.w * img.h, 800 * 600);
  EXPECT_EQ(img.Rgb(0, 0), 0xFF0000u);
  EXPECT_EQ(img.Rgb(799, 599), 0x0000FFu);
  // Full screen on a 5-6-5 display: the screen is saved from its layout.
  p->SetGreenMask(0x07E0);
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  vm->GetRenderSurface()->SetPixel(5, 0, 0x03E0);
  vm->UpdateScreen();
  ASSERT_TRUE(p->SaveFramePng(dir.File("g.png")));
  EXPECT_EQ(ReadPng(dir.File("g.png")).Rgb(5, 0), 0x00FB00u);  // green 31 -> 62 of 63 -> 251
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

using tessera::test::Contains;

#if defined(TESSERA_PACK_TOOL_PATH) && defined(TESSERA_DEMO_DATA_PATH)

// Every command-line tool follows the same conventions: --help and
// --version exit 0, a usage error prints the usage line and exits 2, a
// failure prints "tool: what failed: why" (no engine source locations)
// and exits 1.
struct Tool {
  const char* name;
  const char* path;
  const char* usage_error;  // arguments that are not a valid command line
  const char* failure;      // a valid command line that fails
  const char* failure_text;
};

const Tool kTools[] = {
    {"tessera-pack", TESSERA_PACK_TOOL_PATH, "list a.mdb b.mdb", "list missing.mdb",
     "tessera-pack: cannot open database ./missing.mdb: no such file\n"},
    {"tessera-dbf", TESSERA_DBF_TOOL_PATH, "dump a.dbf b.dbf", "dump missing.dbf",
     "tessera-dbf: Not found file missing.dbf.\n"},
    {"tessera-sound-files", TESSERA_SOUND_FILES_TOOL_PATH, "click x.wav 100 extra",
     "tune no/such/folder/t.mid",
     "tessera-sound-files: cannot write no/such/folder/t.mid: No such file or directory\n"},
    {"tessera-demo-data", TESSERA_DEMO_DATA_PATH, "a b", nullptr, nullptr},
};

class ToolConventions : public tessera::test::EngineTest {
 protected:
  tessera::test::ToolResult Run(const Tool& t, const std::string& args) {
    return tessera::test::RunTool(t.path, args, dir_);
  }
  tessera::test::TempDir dir_;
};

TEST_F(ToolConventions, HelpVersionUsageAndFailures) {
  for (const Tool& t : kTools) {
    SCOPED_TRACE(t.name);
    auto help = Run(t, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Contains(help.out, t.name));
    EXPECT_EQ(help.err, "");
    auto version = Run(t, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind(std::string(t.name) + " (tessera) ", 0), 0u) << version.out;
    for (const std::string& args :
         {std::string(), std::string(t.usage_error), std::string("--frobnicate")}) {
      auto r = Run(t, args);
      EXPECT_EQ(r.status, 2) << args;
      EXPECT_EQ(r.err.rfind(std::string(t.name) + ": ", 0), 0u) << args << ": " << r.err;
      EXPECT_TRUE(Contains(r.err, "usage: " + std::string(t.name)));
    }
    if (t.failure) {
      auto r = Run(t, t.failure);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, t.failure_text);
    }
  }
  // Options are never taken for a folder to build.
  EXPECT_FALSE(std::filesystem::exists("--version"));
  EXPECT_FALSE(std::filesystem::exists("--frobnicate"));
}

#endif

}  // namespace
