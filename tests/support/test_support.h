// What the test suites share: a temporary folder per test, a reset of every
// engine-wide state, and small helpers to build surfaces with known pixels.
#ifndef TESSERA_TESTS_SUPPORT_TEST_SUPPORT_H
#define TESSERA_TESTS_SUPPORT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// The headless controls (message boxes, window messages, audio and
// sequencer records), which nearly every suite reads.
#include "testing/testing.h"

namespace tessera::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Base fixture: every test starts from a known engine state (services
// freed, screen 800 x 600, headless message record empty, manual clock at
// 1000, random generator seeded with 1) in a fresh current folder of its
// own, so that files the engine writes there (ErrOut.txt, databases) never
// meet another test's, even when CTest runs tests in parallel.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::string& scratch() const { return scratch_->path(); }

 private:
  std::unique_ptr<TempDir> scratch_;
  std::string previous_dir_;
};

// A 24-bit bitmap file written by hand: w x h pixels given top row first
// as 0xRRGGBB.
std::string Bitmap24(int w, int h, const std::vector<uint32_t>& rgb);

// Runs a command-line tool with `args` (already quoted for the shell),
// its output captured in files inside `dir`.
struct ToolResult {
  int status;  // exit status, -1 when it did not exit normally
  std::string out, err;
};
ToolResult RunTool(const std::string& tool, const std::string& args, const TempDir& dir);

// Collects the library's log lines while it lives (level warning and up
// unless told otherwise); the default log comes back with its end.
class LogRecorder {
 public:
  explicit LogRecorder(int level = 2);
  ~LogRecorder();
  LogRecorder(const LogRecorder&) = delete;
  LogRecorder& operator=(const LogRecorder&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }
  // True when some line contains every one of the parts.
  bool Has(std::initializer_list<std::string> parts) const;

 private:
  std::vector<std::string> lines_;
};

// Whether `text` holds `part`; a failure shows the whole text.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// A deterministic pseudo-random sequence for building test images,
// independent of the engine's generator.
class TestRandom {
 public:
  explicit TestRandom(uint64_t seed)
      : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }
  int Range(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint32_t>(high - low + 1));
  }

 private:
  uint64_t state_;
};

}  // namespace tessera::test

#endif
