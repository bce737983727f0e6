#include "support/test_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/headless/headless_message_sink.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/test_hooks.h"
#include "public/engine.h"
#include "testing/engine_reset.h"
#include "testing/manual_clock.h"

namespace tessera::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "tessera-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) std::abort();
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

void EngineTest::SetUp() {
  previous_dir_ = std::filesystem::current_path().string();
  scratch_ = std::make_unique<TempDir>();
  std::filesystem::current_path(scratch_->path());
  ResetEngineForTests();
  ClearHeadlessMessages();
  InstallManualClock(1000);
  SeedRandom(1);
}

void EngineTest::TearDown() {
  ResetEngineForTests();
  std::filesystem::current_path(previous_dir_);
  scratch_.reset();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

LogRecorder::LogRecorder(int level) {
  SetLogLevel(static_cast<LogLevel>(level));
  SetLogWriter([this](LogLevel, std::string_view line) { lines_.emplace_back(line); });
}

LogRecorder::~LogRecorder() { ResetLogForTests(); }

bool LogRecorder::Has(std::initializer_list<std::string> parts) const {
  for (const std::string& line : lines_) {
    bool all = true;
    for (const std::string& p : parts) all = all && line.find(p) != std::string::npos;
    if (all) return true;
  }
  return false;
}

ToolResult RunTool(const std::string& tool, const std::string& args, const TempDir& dir) {
  std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
  std::string cmd = "'" + tool + "' " + args + " >'" + out + "' 2>'" + err + "'";
  int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFile(out), ReadFile(err)};
}

std::string Bitmap24(int w, int h, const std::vector<uint32_t>& rgb) {
  const int row = (3 * w + 3) & ~3;
  std::string s(54 + static_cast<size_t>(row) * static_cast<size_t>(h), '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  s[0] = 'B';
  s[1] = 'M';
  put32(2, static_cast<uint32_t>(s.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  s[26] = 1;
  s[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c =
          rgb[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      const size_t at = 54 + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(row) +
                        3 * static_cast<size_t>(x);
      s[at] = static_cast<char>(c & 0xFF);
      s[at + 1] = static_cast<char>((c >> 8) & 0xFF);
      s[at + 2] = static_cast<char>((c >> 16) & 0xFF);
    }
  return s;
}

}  // namespace tessera::test
