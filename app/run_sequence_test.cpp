#include "app/run_sequence.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "platform/sim/sim_platform.h"
#include "ui/resource.h"
#include "gtest/gtest.h"

namespace lw {
namespace {

// The run registers its job teardown at process exit, so the simulated
// Windows it uses must outlive the test: one per process, removed at exit
// after that teardown (exit handlers run in reverse order).
SimPlatform* sim = nullptr;
void removeSim() { delete sim; }
SimPlatform& processSim() {
  if (!sim) {
    sim = new SimPlatform;
    std::atexit(removeSim);
  }
  setPlatform(sim);
  return *sim;
}

struct RecordingStages : WizardStages {
  int preResult = 0;
  int installResult = 0;
  std::vector<std::string> calls;
  bool succeededAtFinish = true;
  int preInstall(InstallJob&) override {
    calls.push_back("pre");
    logText("pre\r\n");
    return preResult;
  }
  int installStep(InstallJob&) override {
    calls.push_back("install");
    return installResult;
  }
  int finishPage(InstallJob& job) override {
    calls.push_back("finish");
    succeededAtFinish = job.succeeded();
    return 0;
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

TEST(RunSequenceTest, BannerThenStagesInOrderAndExitZero) {
  SimPlatform& sim = processSim();
  sim.setLocalTime(june3());
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", 4);
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", 5);
  RecordingStages stages;
  EXPECT_EQ(runSequence(stages), 0);
  EXPECT_EQ(stages.calls, (std::vector<std::string>{"pre", "install", "finish"}));
  EXPECT_TRUE(stages.succeededAtFinish);
  // Creating the updaters probes ActiveSync right after the banner.
  EXPECT_EQ(sim.fileText("C:\\work\\LinkwrightLog.txt"),
            std::string(kBanner) +
                "ActiveSync major version is 4\r\nActiveSync minor version is 5\r\npre\r\n");
  EXPECT_EQ(logFilePath() == nullptr, false);  // recomputed after close
}

TEST(RunSequenceTest, StoppedPreInstallEndsWithAbortLineAndExitOne) {
  SimPlatform& sim = processSim();
  sim.setLocalTime(june3());
  sim.putFile("C:\\work\\LinkwrightLog.txt", "earlier run\r\n");
  RecordingStages stages;
  stages.preResult = 1;
  EXPECT_EQ(runSequence(stages), 1);
  EXPECT_EQ(stages.calls, std::vector<std::string>{"pre"});
  EXPECT_EQ(sim.fileText("C:\\work\\LinkwrightLog.txt"),
            "earlier run\r\n" + std::string(kBanner) +
                "ERROR: Could not locate ActiveSync\r\npre\r\nInstall aborted / failed.\r\n");
}

TEST(RunSequenceTest, InstallStepThatCouldNotFinishIsReportedAsFailure) {
  processSim();
  RecordingStages stages;
  stages.installResult = 1;
  EXPECT_EQ(runSequence(stages), 0);
  EXPECT_FALSE(stages.succeededAtFinish);
}

TEST(RunSequenceTest, UnopenableLogChangesNothingButTheLog) {
  SimPlatform& sim = processSim();
  sim.makeDirectory("C:\\work\\LinkwrightLog.txt");
  RecordingStages stages;
  EXPECT_EQ(runSequence(stages), 0);
  EXPECT_EQ(stages.calls.size(), 3u);
  RecordingStages cancelled;
  cancelled.preResult = 4;
  EXPECT_EQ(runSequence(cancelled), 1);
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

TEST(RunSequenceTest, FailedLocalTimeWritesUnknownTime) {
  SimPlatform& sim = processSim();
  sim.failLocalTime();
  RecordingStages stages;
  runSequence(stages);
  EXPECT_NE(sim.fileText("C:\\work\\LinkwrightLog.txt")
                .find("----------------------------------\r\n*** unknown time\n*** Build: " LW_BUILD_CODE "\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace lw
