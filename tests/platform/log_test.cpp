// The log service: the line format, levels, silencing and redirection.
#include "platform/log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using tessera::LogLevel;

class LogTest : public tessera::test::EngineTest {};

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

}  // namespace
