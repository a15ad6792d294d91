// The install step's decisions, free of the window system: the worker's
// sequence, reading the worker's result, and what follows the progress page.
#pragma once

#include <cstdint>

#include "app/install_job.h"
#include "app/step_result.h"
#include "hostcfg/activesync.h"
#include "ui/page_result.h"
#include "updaters/device_driver_update.h"

namespace lw {

// What the install worker drives. The product's answers the first three
// from the job's updaters and ActiveSync's settings (JobInstallWork) and
// the last two from the progress page.
class InstallWork {
 public:
  virtual ~InstallWork() = default;
  virtual UpdaterStatus backupDriver(int index) = 0;
  // StepFailed when the INF was not installed.
  virtual StepResult installInf(int index) = 0;
  virtual UsbSettingResult enableActiveSyncUsb() = 0;
  // Asks whether to go on after a failed backup: true only for "Yes".
  virtual bool continueAfterBackupFailure() = 0;
  // Tells the progress page that the worker is finishing.
  virtual void postDone() = 0;
};

class JobInstallWork : public InstallWork {
 public:
  explicit JobInstallWork(InstallJob& job) : job_(job) {}
  UpdaterStatus backupDriver(int index) override;
  StepResult installInf(int index) override;
  UsbSettingResult enableActiveSyncUsb() override;

 private:
  InstallJob& job_;
};

// The install worker's exit code; the progress page reads it once the
// thread has ended.
enum class WorkerExitCode : uint32_t {
  WorkerFailed = 0,     // an install step failed or the user stopped it
  WorkerSucceeded = 1,  // the whole install succeeded
};

// The worker's body: backs up both drivers, asks after a failed backup,
// installs the sync INF and then the mass-storage INF, switches on USB in
// ActiveSync. Clears the job's succeeded flag on any failure.
WorkerExitCode runInstallSequence(InstallJob& job, InstallWork& work);

// The worker thread as the progress page sees it.
class WorkerThread {
 public:
  virtual ~WorkerThread() = default;
  // The thread's exit code (kStillActive while it runs); false when the
  // query fails.
  virtual bool exitCode(uint32_t* code) = 0;
  // Waits 100 ms before the next query.
  virtual void pause() = 0;
};

// Polls the finished worker until its thread has ended and returns the
// progress page's result: InstallOk, InstallFailed, or Error (logged).
PageResult awaitWorkerResult(WorkerThread& thread);

// What the install step does once the progress page has ended with
// `dialogResult` (1 or below: the page could not run): writes or removes the generic-device flags
// after a successful install. StepFailed when the page could not run or the flags could not be
// written.
StepResult completeInstallStep(int dialogResult, const InstallJob& job);

}  // namespace lw
