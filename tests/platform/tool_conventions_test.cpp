// Every command-line tool follows the same conventions: --help and
// --version exit 0, a usage error prints the usage line and exits 2, a
// failure prints "tool: what failed: why" (no engine source locations)
// and exits 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

#if defined(TESSERA_PACK_TOOL_PATH) && defined(TESSERA_DEMO_DATA_PATH)

namespace {

using tessera::test::Contains;

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

}  // namespace

#endif
