#include "ui/install_sequence.h"

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/logged_sim_test.h"
#include "ui/page_result.h"

namespace lw {
namespace {

// Answers the worker's calls from a script and records them as one line.
struct ScriptedWork : InstallWork {
  UpdaterStatus backup[2] = {UpdaterStatus::UpdaterOk, UpdaterStatus::UpdaterOk};
  StepResult install[2] = {StepResult::StepOk, StepResult::StepOk};
  UsbSettingResult usb = UsbSettingResult::UsbOk;
  bool yes = true;
  std::string calls;

  void record(const std::string& call) { calls += calls.empty() ? call : " " + call; }
  UpdaterStatus backupDriver(int index) override {
    record("backup" + std::to_string(index));
    return backup[index];
  }
  StepResult installInf(int index) override {
    record("install" + std::to_string(index));
    return install[index];
  }
  UsbSettingResult enableActiveSyncUsb() override {
    record("usb");
    return usb;
  }
  bool continueAfterBackupFailure() override {
    record(yes ? "ask:yes" : "ask:no");
    return yes;
  }
  void postDone() override { record("done"); }
};

struct SequenceCase {
  const char* name;
  UpdaterStatus backup0, backup1;
  bool yes;
  int install0, install1, usb;  // as the calls return them
  WorkerExitCode exitCode;
  const char* calls;
};

const UpdaterStatus kOk = UpdaterStatus::UpdaterOk, kFail = UpdaterStatus::UpdaterFailed,
                    kAbsent = UpdaterStatus::UpdaterDriverMissing;
const WorkerExitCode kDone = WorkerExitCode::WorkerSucceeded,
                     kStopped = WorkerExitCode::WorkerFailed;

const SequenceCase kSequenceCases[] = {
    {"AllSucceed", kOk, kOk, true, 0, 0, 0, kDone, "backup0 backup1 install0 install1 usb done"},
    {"AbsentDriversAreNoFailure", kAbsent, kAbsent, true, 0, 0, 0, kDone,
     "backup0 backup1 install0 install1 usb done"},
    {"FirstBackupFailsSecondStillRunsThenYes", kFail, kOk, true, 0, 0, 0, kDone,
     "backup0 backup1 ask:yes install0 install1 usb done"},
    {"BothBackupsFailOneQuestionThenNo", kFail, kFail, false, 0, 0, 0, kStopped,
     "backup0 backup1 ask:no done"},
    {"SecondBackupFailsThenNo", kOk, kFail, false, 0, 0, 0, kStopped,
     "backup0 backup1 ask:no done"},
    {"SyncInstallFailsStopsBeforeStorage", kOk, kOk, true, 1, 0, 0, kStopped,
     "backup0 backup1 install0 done"},
    {"StorageInstallFailsSkipsUsb", kOk, kOk, true, 0, 1, 0, kStopped,
     "backup0 backup1 install0 install1 done"},
    {"UsbSettingMissingStillSucceeds", kOk, kOk, true, 0, 0, 4, kDone,
     "backup0 backup1 install0 install1 usb done"},
    {"UsbSettingNotWrittenFails", kOk, kOk, true, 0, 0, 1, kStopped,
     "backup0 backup1 install0 install1 usb done"},
    {"AnyOtherInstallResultIsFailure", kOk, kOk, true, 0, -1, 0, kStopped,
     "backup0 backup1 install0 install1 done"},
};

void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class InstallSequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(InstallSequenceTest, StepsExitCodeAndJobOutcome) {
  const SequenceCase& c = GetParam();
  ScriptedWork work;
  work.backup[0] = c.backup0;
  work.backup[1] = c.backup1;
  work.yes = c.yes;
  work.install[0] = static_cast<StepResult>(c.install0);
  work.install[1] = static_cast<StepResult>(c.install1);
  work.usb = static_cast<UsbSettingResult>(c.usb);
  InstallJob job;
  EXPECT_EQ(runInstallSequence(job, work), c.exitCode);
  EXPECT_EQ(work.calls, c.calls);
  // The job's outcome always agrees with the exit code.
  EXPECT_EQ(job.succeeded(), c.exitCode == kDone);
}

INSTANTIATE_TEST_SUITE_P(Worker, InstallSequenceTest, ::testing::ValuesIn(kSequenceCases),
                         [](const ::testing::TestParamInfo<SequenceCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(InstallSequenceJobTest, FailureIsNotUndoneByALaterSuccess) {
  InstallJob job;
  ScriptedWork failing;
  failing.install[0] = StepResult::StepFailed;
  runInstallSequence(job, failing);
  ScriptedWork fine;
  EXPECT_EQ(runInstallSequence(job, fine), WorkerExitCode::WorkerSucceeded);
  EXPECT_FALSE(job.succeeded());
}

TEST(InstallSequenceJobTest, MissingUpdatersFailInsteadOfCrashing) {
  struct JobOnlyWork : JobInstallWork {
    using JobInstallWork::JobInstallWork;
    bool continueAfterBackupFailure() override { return true; }
    void postDone() override {}
  };
  InstallJob job;  // no updaters created
  JobOnlyWork work(job);
  EXPECT_EQ(work.backupDriver(SyncUpdaterIndex), UpdaterStatus::UpdaterFailed);
  EXPECT_NE(work.installInf(StorageUpdaterIndex), StepResult::StepOk);
}

// --- the progress page's reading of the worker's exit code -----------------

struct ScriptedThread : WorkerThread {
  std::vector<uint32_t> codes;  // answers in turn; the last one repeats
  bool queryFails = false;
  int queries = 0;
  int pauses = 0;
  bool exitCode(uint32_t* code) override {
    if (queryFails) return false;
    size_t i = static_cast<size_t>(queries++);
    *code = codes[i < codes.size() ? i : codes.size() - 1];
    return true;
  }
  void pause() override { ++pauses; }
};

using AwaitWorkerTest = LoggedSimTest;

TEST_F(AwaitWorkerTest, WaitsWhileTheThreadStillRuns) {
  ScriptedThread thread;
  thread.codes = {kStillActive, kStillActive, 1};
  EXPECT_EQ(awaitWorkerResult(thread), PageResult::InstallOk);
  EXPECT_EQ(thread.pauses, 2);
  thread = ScriptedThread();
  thread.codes = {kStillActive, 0};
  EXPECT_EQ(awaitWorkerResult(thread), PageResult::InstallFailed);
  EXPECT_EQ(thread.pauses, 1);
  EXPECT_EQ(log(), "");
}

TEST_F(AwaitWorkerTest, UnreadableOrUnknownExitCodeIsAnError) {
  ScriptedThread unreadable;
  unreadable.queryFails = true;
  EXPECT_EQ(awaitWorkerResult(unreadable), PageResult::Error);
  ScriptedThread unknown;
  unknown.codes = {2};
  EXPECT_EQ(awaitWorkerResult(unknown), PageResult::Error);
  EXPECT_EQ(unknown.pauses, 0);
  EXPECT_EQ(log(),
            "ERROR: Could not get install thread return value.\r\n"
            "ERROR: Install thread returned unknown value.\r\n");
}

// --- after the progress page ----------------------------------------------

constexpr char kUsbFlags[] = "SYSTEM\\CurrentControlSet\\Control\\UsbFlags";
constexpr char kSomeFlag[] = "IgnoreHWSerNum5E2D0001";

class CompleteInstallStepTest : public LoggedSimTest {
 protected:
  size_t flagCount() const { return sim.valueNames(RegRoot::LocalMachine, kUsbFlags).size(); }
  InstallJob job;
};

TEST_F(CompleteInstallStepTest, SuccessWritesOrRemovesTheGenericDeviceFlags) {
  job.setGenericDevice(true);
  EXPECT_EQ(completeInstallStep(dialogResultOf(PageResult::InstallOk), job), StepResult::StepOk);
  EXPECT_EQ(flagCount(), 6u);
  job.setGenericDevice(false);
  EXPECT_EQ(completeInstallStep(dialogResultOf(PageResult::InstallOk), job), StepResult::StepOk);
  EXPECT_EQ(flagCount(), 0u);
  EXPECT_EQ(log(), "");
}

TEST_F(CompleteInstallStepTest, FailedOrBrokenPageLeavesTheFlagsAlone) {
  sim.putValue(RegRoot::LocalMachine, kUsbFlags, kSomeFlag, kRegBinary, "\x01");
  const int results[] = {dialogResultOf(PageResult::InstallFailed),
                         dialogResultOf(PageResult::Error), 0, -1};
  for (int result : results) {
    EXPECT_EQ(completeInstallStep(result, job), result == dialogResultOf(PageResult::InstallFailed)
                                                    ? StepResult::StepOk
                                                    : StepResult::StepFailed)
        << result;
  }
  EXPECT_TRUE(sim.hasValue(RegRoot::LocalMachine, kUsbFlags, kSomeFlag));
  std::string line = "ERROR: Could not load Update Inf dialog.\r\n";
  EXPECT_EQ(log(), line + line + line);
  EXPECT_TRUE(job.succeeded());  // the run sequence decides what follows
}

TEST_F(CompleteInstallStepTest, FlagsNotWrittenIsReported) {
  job.setGenericDevice(true);
  sim.denyKey(RegRoot::LocalMachine, kUsbFlags);
  EXPECT_EQ(completeInstallStep(dialogResultOf(PageResult::InstallOk), job),
            StepResult::StepFailed);
  EXPECT_NE(log().find("ERROR: Could not write to registry.\r\n"), std::string::npos);
  EXPECT_EQ(log().rfind("ERROR: Could not write to registry.\r\n"),
            log().size() - std::string("ERROR: Could not write to registry.\r\n").size());
}

}  // namespace
}  // namespace lw
