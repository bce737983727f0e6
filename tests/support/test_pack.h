// A real resource pack for the suites that load images by identifier: a
// game database and a shared pack database in a temporary folder, one empty
// pack file "\a.pak", and pack image records made from plain surfaces.
#ifndef TESSERA_TESTS_SUPPORT_TEST_PACK_H
#define TESSERA_TESTS_SUPPORT_TEST_PACK_H

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "database/schema.h"
#include "engine/packed_stream.h"
#include "pack/res.h"
#include "support/test_support.h"

namespace tessera::test {

inline std::string Le16(unsigned v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

// A pack image record of a plain surface: width, height, packed stream.
inline std::string PackImage(SURFACE* s) {
  const std::vector<uint8_t> stream = tessera::PackedStreamBytes(tessera::EncodePackedStream(s));
  return Le16(s->GetWidth()) + Le16(s->GetHeight()) + std::string(stream.begin(), stream.end());
}

// The databases "<dir>\game\game.mdb" and "<dir>\data\Pack.mdb", the empty
// pack "<dir>/game/a.pak", and a resource pack over them in *res.
inline void MakeTestPack(const TempDir& dir, std::unique_ptr<CRes>* res) {
  std::filesystem::create_directories(dir.File("game"));
  std::filesystem::create_directories(dir.File("data"));
  const std::string root = dir.path() + "\\";
  const std::string game = dir.path() + "\\game\\game.mdb";
  ASSERT_TRUE(tessera::CreateDataBaseFile(game));
  ASSERT_TRUE(tessera::CreateDataBaseFile(root + "data\\Pack.mdb"));
  WriteFile(dir.File("game/a.pak"), "");
  *res = std::make_unique<CRes>(game.c_str(), root.c_str());
}

// Stores `bytes` under `id` in "\a.pak".
inline void AddToPack(CRes* res, const std::string& id, const std::string& bytes) {
  ASSERT_TRUE(res->AddDataToPack(reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())),
                                 static_cast<long>(bytes.size()), id.c_str(), "\\a.pak", nullptr));
}

}  // namespace tessera::test

#endif
