// The command line of linkwright-infpatch, run as a process.
#include <gtest/gtest.h>

#include "tests/support/tool_runner.h"

namespace lw {
namespace {

class InfPatchToolTest : public ::testing::Test {
 protected:
  ToolRun run(std::vector<std::string> args) { return runInfPatchTool(args, dir.path()); }
  std::string path(const std::string& name) { return dir.path() + "/" + name; }
  void put(const std::string& name, const std::string& bytes) {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }

  HostTempDir dir;
};

TEST_F(InfPatchToolTest, WritesThePatchedFileSilently) {
  put("in.inf", "[Manufacturer]\n[SourceDisksFiles]\nx.sys=1\n");
  ToolRun r = run({"--table", "storage", "--gen60", path("in.inf"), path("out.inf")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  std::string out = readHostFile(path("out.inf"));
  EXPECT_EQ(out.substr(0, 57), "[Manufacturer]\r\n%Brannock%=Brannock\r\n[SourceDisksFiles]\r\n");
  EXPECT_EQ(out.substr(57, 16), "%12%\\x.sys=1\r\n\r\n");
  EXPECT_EQ(readHostFile(path("in.inf")), "[Manufacturer]\n[SourceDisksFiles]\nx.sys=1\n");

  // The option may come first; the sync table has its own spacing.
  r = run({"--gen60", "--table", "sync", path("in.inf"), path("sync.inf")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(readHostFile(path("sync.inf")).find("Brannock = \"Tarvel Brannock\"\r\n"),
            std::string::npos);
}

TEST_F(InfPatchToolTest, WrongArgumentsPrintTheUsageAndExit3) {
  put("in.inf", "[Version]\n");
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {path("in.inf"), path("out.inf")},
      {"--table", "usb", path("in.inf"), path("out.inf")},
      {"--table", "sync", path("in.inf")},
      {"--table", "sync", path("in.inf"), path("out.inf"), "extra"},
      {"--table", "sync", "--gen61", path("in.inf"), path("out.inf")},
      {"--table", "sync", "--table", "storage", path("in.inf"), path("out.inf")},
      {"--table"},
  };
  for (const auto& args : wrong) {
    ToolRun r = run(args);
    EXPECT_EQ(r.exitCode, 3) << testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "usage: linkwright-infpatch --table sync|storage [--gen60] INPUT OUTPUT\n");
  }
  std::ifstream absent(path("out.inf"));
  EXPECT_FALSE(absent.good());
}

TEST_F(InfPatchToolTest, InputsThatCannotBeReadExit25) {
  EXPECT_EQ(run({"--table", "sync", path("missing.inf"), path("out.inf")}).exitCode, 25);
  std::ifstream absent(path("out.inf"));
  EXPECT_FALSE(absent.good());
  EXPECT_EQ(run({"--table", "sync", dir.path(), path("out.inf")}).exitCode, 25);
  put("in.inf", "[Version]\n");
  EXPECT_EQ(run({"--table", "sync", path("in.inf"), path("no/such/out.inf")}).exitCode, 25);
}

TEST_F(InfPatchToolTest, RefusesToWriteOverItsInput) {
  put("in.inf", "[Version]\n");
  EXPECT_EQ(run({"--table", "sync", path("in.inf"), path("in.inf")}).exitCode, 3);
  EXPECT_EQ(readHostFile(path("in.inf")), "[Version]\n");
}

}  // namespace
}  // namespace lw
