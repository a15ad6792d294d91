// The life of the main thread: log banner, install job, the three wizard
// stages in order, and the process exit code.
#pragma once

#include <ctime>

#include "app/hand_over.h"
#include "app/install_job.h"
#include "app/step_result.h"

namespace lw {

// The three stages of the wizard; the product's are the Win32 pages.
class WizardStages {
 public:
  virtual ~WizardStages() = default;
  // StepOk when the install is to go on.
  virtual StepResult preInstall(InstallJob& job) = 0;
  // StepFailed when the step could not run or finish its work.
  virtual StepResult installStep(InstallJob& job) = 0;
  virtual StepResult finishPage(InstallJob& job) = 0;
};

// The process exit code.
enum class ExitCode : int {
  ExitCompleted = 0,  // the run reached the install step
  ExitStopped = 1,    // the run stopped before it
};

// The process's one job; its updaters are destroyed at process exit.
InstallJob& processJob();

// The wizard as its hand-over names it.
extern const HandOverProgram kWizardProgram;

// The run's opening lines in the log: rule, title, rule, time, build.
void writeBanner();
// The same for another program: `title` is its line, with its CR LF.
void writeBannerOf(const char* title);
// Ends a run that cannot go on: the abort line, the log closed.
ExitCode stopRun();
// The same with another program's abort line, with its CR LF.
ExitCode stopRunWith(const char* abortedLine);

// Runs the whole sequence and returns the process exit code.
ExitCode runSequence(WizardStages& stages);

// The time as the C library's ctime writes it, but with the day always in
// two digits: "Wed Jun 03 09:05:01 2026\n". "unknown time\n" when the time
// cannot be written.
void formatBannerTime(const std::tm* when, char (&text)[32]);

}  // namespace lw
