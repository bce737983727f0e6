#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/headless/headless_message_sink.h"
#include "platform/headless/manual_clock.h"
#include "platform/random.h"
#include "public/engine.h"

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

}  // namespace tessera::test
