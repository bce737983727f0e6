// What the table and index suites share: a fixture with a scratch folder,
// helpers to build tables, and the last message box shown.
#ifndef TESSERA_TESTS_PACK_TABLE_FIXTURE_H
#define TESSERA_TESTS_PACK_TABLE_FIXTURE_H

#include <regex>
#include <string>
#include <vector>

#include "pack/dbf.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_create.h"
#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace tessera::test {

class TableTest : public EngineTest {
 protected:
  // Creates a table from a field list ("ID:C:10,N:N:8:2") and returns its
  // path.
  std::string MakeTable(const std::string& name, const std::string& fields) {
    std::vector<DbfField> list;
    std::string error;
    EXPECT_TRUE(ParseDbfFields(fields, list, error)) << error;
    std::string path = dir_.File(name);
    EXPECT_TRUE(CreateDbf(path, list, error)) << error;
    return path;
  }
  std::string MakeIndex(const std::string& name, int key_length) {
    std::string path = dir_.File(name);
    std::string error;
    EXPECT_TRUE(CreateIdx(path, key_length, error)) << error;
    return path;
  }
  static std::string LastMessage() {
    const auto& all = HeadlessMessages();
    return all.empty() ? std::string() : all.back().text;
  }
  static size_t MessageCount() { return HeadlessMessages().size(); }

  TempDir dir_;
};

// The message's text before the final source file and line, after checking
// that they are there ("... <file>.cpp <line>").
inline std::string WithoutSite(const std::string& text, const std::string& source) {
  std::smatch m;
  if (!std::regex_match(text, m, std::regex("([\\s\\S]* )\\S*" + source + " [0-9]+")))
    return "(no " + source + " <line> at the end) " + text;
  return m[1];
}

}  // namespace tessera::test

#endif
