// The life of the main thread: log banner, install job, the three wizard
// stages in order, and the process exit code.
#pragma once

#include <ctime>

#include "app/install_job.h"

namespace lw {

// The three stages of the wizard; the product's are the Win32 pages.
class WizardStages {
 public:
  virtual ~WizardStages() = default;
  // 0 when the install is to go on.
  virtual int preInstall(InstallJob& job) = 0;
  // 0, or 1 when the step could not run or finish its work.
  virtual int installStep(InstallJob& job) = 0;
  virtual int finishPage(InstallJob& job) = 0;
};

// The process's one job; its updaters are destroyed at process exit.
InstallJob& processJob();

// The process exit codes.
enum ExitCode : int {
  kExitRunCompleted = 0,  // the install step ran, whatever its outcome
  kExitRunStopped = 1,    // the run stopped before the install step
};

// The run's opening lines in the log: rule, title, rule, time, build.
void writeBanner();
// Ends a run that cannot go on: the abort line, the log closed.
ExitCode stopRun();

// Runs the whole sequence and returns the exit code: 1 when the run stopped
// before the install step, 0 otherwise.
int runSequence(WizardStages& stages);

// The time as the C library's ctime writes it, but with the day always in
// two digits: "Wed Jun 03 09:05:01 2026\n". "unknown time\n" when the time
// cannot be written.
void formatBannerTime(const std::tm* when, char (&text)[32]);

}  // namespace lw
