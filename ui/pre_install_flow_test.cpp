#include "ui/pre_install_flow.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/logged_sim_test.h"
#include "ui/page_result.h"

namespace lw {
namespace {

constexpr char kSyncInf[] = "C:\\windows\\inf\\wceusbsh.inf";
constexpr char kStorageInf[] = "C:\\windows\\inf\\usbstor.inf";
constexpr char kWarning[] =
    "Warning: Unable to detect the locations of inf files.Asking user to specify the locations. "
    "\r\n";

struct FakeSources : InfSources {
  std::string path[2] = {kSyncInf, kStorageInf};
  bool present[2] = {true, true};
  bool refuse[2] = {false, false};
  std::vector<std::string> stored;  // "index:path" per accepted call

  const char* infPath(int index) override { return present[index] ? path[index].c_str() : nullptr; }
  StepResult setInfPath(int index, const char* text) override {
    if (refuse[index]) return StepResult::StepFailed;
    path[index] = text;
    present[index] = true;
    stored.push_back(std::to_string(index) + ":" + text);
    return StepResult::StepOk;
  }
};

// Pages that end with scripted results, in turn, and record their showing.
struct ScriptedPages : PreInstallPages {
  std::vector<PageResult> welcome, selection;
  std::vector<int> box;
  std::function<void()> onSelection = [] {};
  std::string trace;

  template <typename Result>
  static int next(std::vector<Result>& results) {
    // A script that runs out ends the run.
    if (results.empty()) return dialogResultOf(PageResult::Cancel);
    const int result = static_cast<int>(results.front());
    results.erase(results.begin());
    return result;
  }
  void record(const std::string& what) { trace += trace.empty() ? what : " " + what; }
  int showWelcome() override {
    record("welcome");
    return next(welcome);
  }
  int showInfSelection() override {
    record("inf");
    onSelection();
    return next(selection);
  }
  int showInfNotFound(int index) override {
    record("box" + std::to_string(index));
    return next(box);
  }
};

class PreInstallFlowTest : public LoggedSimTest {
 protected:
  PreInstallFlowTest() {
    sim.putFile(kSyncInf, "[Version]\r\n");
    sim.putFile(kStorageInf, "[Version]\r\n");
  }
  StepResult run() { return runPreInstall(pages, sources); }
  FakeSources sources;
  ScriptedPages pages;
};

TEST_F(PreInstallFlowTest, BothDefaultsPresentGoStraightOn) {
  pages.welcome = {PageResult::Next};
  EXPECT_EQ(run(), StepResult::StepOk);
  EXPECT_EQ(pages.trace, "welcome");
  EXPECT_EQ(log(), "");
}

TEST_F(PreInstallFlowTest, WelcomeCancelOrOtherResultsStopOrRepeat) {
  pages.welcome = {PageResult::InstallOk, PageResult::Back, PageResult::Cancel};
  EXPECT_EQ(run(), StepResult::StepFailed);
  EXPECT_EQ(pages.trace, "welcome welcome welcome");
  EXPECT_EQ(log(), "");
}

TEST_F(PreInstallFlowTest, PagesThatCannotBeShownEndTheRunWithTheirLine) {
  // The dialog manager's 0 and -1 count as Error.
  const PageResult failures[] = {PageResult::Error, static_cast<PageResult>(0),
                                 static_cast<PageResult>(-1)};
  for (PageResult failed : failures) {
    ScriptedPages welcomeFails;
    welcomeFails.welcome = {failed};
    EXPECT_EQ(runPreInstall(welcomeFails, sources), StepResult::StepFailed);
  }
  sim.deleteFile(kStorageInf);
  pages.welcome = {PageResult::Next};
  pages.selection = {static_cast<PageResult>(-1)};
  EXPECT_EQ(run(), StepResult::StepFailed);
  std::string welcomeLine = "ERROR: Could not load Welcome dialog box.\r\n";
  EXPECT_EQ(log(), welcomeLine + welcomeLine + welcomeLine + kWarning +
                       "ERROR: Could not load Inf Selection dialog box.\r\n");
}

TEST_F(PreInstallFlowTest, MissingFileIsNamedThenAskedForAgain) {
  sim.deleteFile(kSyncInf);
  sim.deleteFile(kStorageInf);
  pages.welcome = {PageResult::Next};
  pages.selection = {PageResult::Next, PageResult::Next, PageResult::Next};
  pages.box = {1, 1};
  int showing = 0;
  // The user finds the sync file on the second showing, the other on the
  // third; only the first missing file is named each time.
  pages.onSelection = [&] {
    ++showing;
    if (showing == 2) sim.putFile(kSyncInf, "x");
    if (showing == 3) sim.putFile(kStorageInf, "x");
  };
  EXPECT_EQ(run(), StepResult::StepOk);
  EXPECT_EQ(pages.trace, "welcome inf box0 inf box1 inf");
  EXPECT_EQ(log(), std::string(kWarning) + kWarning + kWarning);
}

TEST_F(PreInstallFlowTest, NotFoundBoxThatCannotBeShownStops) {
  sources.present[StorageUpdaterIndex] = false;  // no path at all never exists
  pages.welcome = {PageResult::Next};
  pages.selection = {PageResult::Next};
  pages.box = {0};
  EXPECT_EQ(run(), StepResult::StepFailed);
  EXPECT_EQ(pages.trace, "welcome inf box1");
}

TEST_F(PreInstallFlowTest, BackReturnsToWelcomeWhichChecksThePathsAgain) {
  sim.deleteFile(kSyncInf);
  pages.welcome = {PageResult::Next, PageResult::Next};
  pages.selection = {PageResult::InstallOk, PageResult::Back};
  // What the selection page stored is checked when Welcome ends with Next.
  pages.onSelection = [&] { sources.path[SyncUpdaterIndex] = kStorageInf; };
  EXPECT_EQ(run(), StepResult::StepOk);
  EXPECT_EQ(pages.trace, "welcome inf inf welcome");
}

TEST_F(PreInstallFlowTest, CancelOnSelectionStops) {
  sources.path[SyncUpdaterIndex] = "C:\\windows\\inf";  // a folder exists too
  sources.path[StorageUpdaterIndex] = "C:\\nowhere\\usbstor.inf";
  pages.welcome = {PageResult::Next};
  pages.selection = {PageResult::Cancel};
  EXPECT_EQ(run(), StepResult::StepFailed);
  EXPECT_EQ(pages.trace, "welcome inf");
}

// --- storing the typed paths ----------------------------------------------

struct FakeFields : InfPathFields {
  std::string text[2];
  size_t textLength(int index) override { return text[index].size(); }
  void readText(int index, char* buffer, size_t size) override {
    size_t n = std::min(size - 1, text[index].size());
    std::memcpy(buffer, text[index].data(), n);
    buffer[n] = '\0';
  }
};

class StoreInfPathsTest : public LoggedSimTest {
 protected:
  // The validation message, or "" when both fields passed.
  std::string validation() {
    InfPathsResult stored = storeInfPaths(fields, sources);
    result = stored.result;
    return stored.validationMessage ? stored.validationMessage : "";
  }
  FakeFields fields;
  FakeSources sources;
  StepResult result = static_cast<StepResult>(-1);
};

TEST_F(StoreInfPathsTest, StoresBothPathsAsTyped) {
  fields.text[0] = "  ";  // blanks count as specified
  fields.text[1] = "D:\\drivers\\usbstor.inf";
  EXPECT_EQ(validation(), "");
  EXPECT_EQ(result, StepResult::StepOk);
  EXPECT_EQ(sources.stored, (std::vector<std::string>{"0:  ", "1:D:\\drivers\\usbstor.inf"}));
}

TEST_F(StoreInfPathsTest, LengthLimitIs260) {
  fields.text[0] = std::string(260, 'a');
  fields.text[1] = std::string(260, 'b');
  EXPECT_EQ(validation(), "");
  EXPECT_EQ(sources.stored.size(), 2u);
  EXPECT_EQ(sources.path[1], std::string(260, 'b'));

  fields.text[0] = std::string(261, 'a');
  EXPECT_EQ(validation(), "The path for wceusbsh.inf is too long.");
  fields.text[0] = "a";
  fields.text[1] = std::string(261, 'b');
  EXPECT_EQ(validation(), "The path for usbstor.inf is too long.");
  EXPECT_EQ(sources.stored.size(), 2u);  // nothing more was stored
}

TEST_F(StoreInfPathsTest, FirstFailingFieldIsTheOnlyMessage) {
  EXPECT_EQ(validation(), "The path for wceusbsh.inf has not been specified.");
  fields.text[0] = "C:\\a.inf";
  EXPECT_EQ(validation(), "The path for usbstor.inf has not been specified.");
  EXPECT_TRUE(sources.stored.empty());
  EXPECT_EQ(log(), "");  // validation is never logged
}

TEST_F(StoreInfPathsTest, OutOfMemoryStoresNothing) {
  fields.text[0] = "C:\\a.inf";
  fields.text[1] = "C:\\b.inf";
  sim.failAllocation();
  EXPECT_EQ(validation(), "");
  EXPECT_EQ(result, StepResult::StepFailed);
  sim.failAllocation(1);
  EXPECT_EQ(validation(), "");
  EXPECT_EQ(result, StepResult::StepFailed);
  EXPECT_TRUE(sources.stored.empty());
  EXPECT_EQ(log(),
            "ERROR: Could not allocate memory for wceusbsh path.\r\n"
            "ERROR: Could not allocate memory for usbstor path.\r\n");
}

TEST_F(StoreInfPathsTest, BackStoresBothTypedPathsAndSaysNothingOfAnEmptyField) {
  fields.text[0] = "C:\\a.inf";
  fields.text[1] = "C:\\b.inf";
  EXPECT_EQ(leaveInfSelectionBack(fields, sources), PageResult::Back);
  EXPECT_EQ(sources.stored, (std::vector<std::string>{"0:C:\\a.inf", "1:C:\\b.inf"}));
  fields.text[0] = "C:\\c.inf";
  fields.text[1] = "";
  EXPECT_EQ(leaveInfSelectionBack(fields, sources), PageResult::Back);
  EXPECT_EQ(sources.stored.size(), 2u);
  EXPECT_EQ(log(), "");
}

TEST_F(StoreInfPathsTest, RefusedSyncPathLeavesTheOtherAlone) {
  fields.text[0] = "C:\\a.inf";
  fields.text[1] = "C:\\b.inf";
  sources.refuse[SyncUpdaterIndex] = true;
  EXPECT_EQ(validation(), "");
  EXPECT_EQ(result, StepResult::StepFailed);
  EXPECT_EQ(sources.path[StorageUpdaterIndex], kStorageInf);
  sources.refuse[SyncUpdaterIndex] = false;
  sources.refuse[StorageUpdaterIndex] = true;
  EXPECT_EQ(validation(), "");
  EXPECT_EQ(result, StepResult::StepFailed);
}

}  // namespace
}  // namespace lw
