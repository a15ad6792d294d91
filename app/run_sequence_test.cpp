#include "app/run_sequence.h"

#include <string>
#include <vector>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "tests/support/sim_test.h"
#include "app/version.h"

namespace lw {
namespace {

using RunSequenceTest = SimTest;

struct RecordingStages : WizardStages {
  StepResult preResult = StepResult::StepOk;
  StepResult installResult = StepResult::StepOk;
  std::vector<std::string> calls;
  bool succeededAtFinish = true;
  StepResult preInstall(InstallJob&) override {
    calls.push_back("pre");
    logText("pre\r\n");
    return preResult;
  }
  StepResult installStep(InstallJob&) override {
    calls.push_back("install");
    return installResult;
  }
  StepResult finishPage(InstallJob& job) override {
    calls.push_back("finish");
    succeededAtFinish = job.succeeded();
    return StepResult::StepOk;
  }
};

std::tm june3() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 5;
  t.tm_mday = 3;
  t.tm_wday = 3;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 1;
  return t;
}

const char kBanner[] =
    "----------------------------------\r\n"
    "Beginning Tarvel Brannock Linkwright\r\n"
    "----------------------------------\r\n"
    "*** Wed Jun 03 09:05:01 2026\n"
    "*** Build: " LW_BUILD_CODE "\r\n";

TEST_F(RunSequenceTest, BannerThenStagesInOrderAndExitZero) {
  sim.setLocalTime(june3());
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", 4);
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", 5);
  RecordingStages stages;
  EXPECT_EQ(runSequence(stages), ExitCode::ExitCompleted);
  EXPECT_EQ(stages.calls, (std::vector<std::string>{"pre", "install", "finish"}));
  EXPECT_TRUE(stages.succeededAtFinish);
  // Creating the updaters probes ActiveSync right after the banner.
  EXPECT_EQ(sim.fileText("C:\\work\\LinkwrightLog.txt"),
            std::string(kBanner) +
                "ActiveSync major version is 4\r\nActiveSync minor version is 5\r\npre\r\n");
  EXPECT_EQ(logFilePath() == nullptr, false);  // recomputed after close
}

TEST_F(RunSequenceTest, StoppedPreInstallEndsWithAbortLineAndExitOne) {
  sim.setLocalTime(june3());
  sim.putFile("C:\\work\\LinkwrightLog.txt", "earlier run\r\n");
  RecordingStages stages;
  stages.preResult = StepResult::StepFailed;
  EXPECT_EQ(runSequence(stages), ExitCode::ExitStopped);
  EXPECT_EQ(stages.calls, std::vector<std::string>{"pre"});
  EXPECT_EQ(sim.fileText("C:\\work\\LinkwrightLog.txt"),
            "earlier run\r\n" + std::string(kBanner) +
                "ERROR: Could not locate ActiveSync\r\npre\r\nInstall aborted / failed.\r\n");
}

TEST_F(RunSequenceTest, UpdaterThatCannotBeCreatedEndsTheRunBeforeAnyPage) {
  sim.setLocalTime(june3());
  sim.failAllocation(1);  // the log's path comes first, then the sync updater
  RecordingStages stages;
  EXPECT_EQ(runSequence(stages), ExitCode::ExitStopped);
  EXPECT_TRUE(stages.calls.empty());
  EXPECT_EQ(sim.fileText("C:\\work\\LinkwrightLog.txt"),
            std::string(kBanner) +
                "ERROR: Could not allocate memory for wceusbsh updator.\r\n"
                "Install aborted / failed.\r\n");
}

TEST_F(RunSequenceTest, InstallStepThatCouldNotFinishIsReportedAsFailure) {
  RecordingStages stages;
  stages.installResult = StepResult::StepFailed;
  EXPECT_EQ(runSequence(stages), ExitCode::ExitCompleted);
  EXPECT_FALSE(stages.succeededAtFinish);
}

TEST_F(RunSequenceTest, UnopenableLogChangesNothingButTheLog) {
  sim.makeDirectory("C:\\work\\LinkwrightLog.txt");
  RecordingStages stages;
  EXPECT_EQ(runSequence(stages), ExitCode::ExitCompleted);
  EXPECT_EQ(stages.calls.size(), 3u);
  RecordingStages cancelled;
  cancelled.preResult = StepResult::StepFailed;
  EXPECT_EQ(runSequence(cancelled), ExitCode::ExitStopped);
}

TEST(BannerTimeTest, DayAlwaysHasTwoDigitsAndLineEndsWithLfAlone) {
  std::tm t = june3();
  char text[32];
  formatBannerTime(&t, text);
  EXPECT_STREQ(text, "Wed Jun 03 09:05:01 2026\n");
  t = std::tm{};
  t.tm_year = 99;
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_wday = 5;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  formatBannerTime(&t, text);
  EXPECT_STREQ(text, "Fri Dec 31 23:59:59 1999\n");
}

TEST(BannerTimeTest, UnknownTimeWhenTimeCannotBeWritten) {
  char text[32];
  formatBannerTime(nullptr, text);
  EXPECT_STREQ(text, "unknown time\n");
  std::tm t = june3();
  t.tm_mon = 12;
  formatBannerTime(&t, text);
  EXPECT_STREQ(text, "unknown time\n");
  t = june3();
  t.tm_year = 10000 - 1900;
  formatBannerTime(&t, text);
  EXPECT_STREQ(text, "unknown time\n");
}

TEST_F(RunSequenceTest, FailedLocalTimeWritesUnknownTime) {
  sim.failLocalTime();
  RecordingStages stages;
  runSequence(stages);
  EXPECT_NE(
      sim.fileText("C:\\work\\LinkwrightLog.txt")
          .find("----------------------------------\r\n*** unknown time\n*** Build: " LW_BUILD_CODE
                "\r\n"),
      std::string::npos);
}

}  // namespace
}  // namespace lw
