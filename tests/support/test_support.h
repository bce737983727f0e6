// What the test suites share: a temporary folder per test, a reset of every
// engine-wide state, and small helpers to build surfaces with known pixels.
#ifndef TESSERA_TESTS_SUPPORT_TEST_SUPPORT_H
#define TESSERA_TESTS_SUPPORT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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
// 1000, random generator seeded with 1).
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// A deterministic pseudo-random sequence for building test images,
// independent of the engine's generator.
class TestRandom {
 public:
  explicit TestRandom(uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }
  int Range(int low, int high) { return low + static_cast<int>(Next() % static_cast<uint32_t>(high - low + 1)); }

 private:
  uint64_t state_;
};

}  // namespace tessera::test

#endif
