// Real INF files written elsewhere, patched by the tool with both tables,
// with and without the Gen60 adjustment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/patch_invariant.h"
#include "tests/support/tool_runner.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

fs::path corpusDir() {
  const char* shared = std::getenv("LW_SHARED_DIR");
  return fs::path(shared ? shared : LW_SHARED_DIR) / "corpus" / "inf";
}

// CI sets CI=true, and runs beside the shared folder: there a missing
// corpus is a broken checkout, not a test to skip.
bool underCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

TEST(InfCorpusTest, EveryFileKeepsItsBytesAndGainsOneModelsSection) {
  std::error_code error;
  if (!fs::is_directory(corpusDir(), error)) {
    if (underCi()) FAIL() << "no corpus at " << corpusDir() << ", and CI needs it";
    GTEST_SKIP() << "no corpus at " << corpusDir() << " (set LW_SHARED_DIR to its folder)";
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpusDir())) {
    if (entry.path().extension() == ".inf") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  HostTempDir dir;
  std::string out = dir.path() + "/out.inf";
  for (const fs::path& file : files) {
    std::string input = readHostFile(file.string());
    for (const char* table : {"sync", "storage"}) {
      for (bool gen60 : {false, true}) {
        SCOPED_TRACE(file.filename().string() + " " + table + (gen60 ? " --gen60" : ""));
        std::vector<std::string> args{"--table", table};
        if (gen60) args.push_back("--gen60");
        args.push_back(file.string());
        args.push_back(out);
        ToolRun run = runInfPatchTool(args, dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string output = readHostFile(out);
        EXPECT_EQ(countOf(output, "[Brannock]"), 1u);
        bool eightBit = !readsAsWide(input) && input.find('\x1A') == std::string::npos &&
                        input.find('\0') == std::string::npos;
        if (eightBit) {
          EXPECT_TRUE(isSubsequence(textModeImage(input), output));
        }
        EXPECT_EQ(readHostFile(file.string()), input);
      }
    }
  }
}

}  // namespace
}  // namespace lw
