// What the program remembers for the whole life of its process, in one
// place: the installation log, the ActiveSync class, the sync driver's name
// and the install job.
#pragma once

#include "app/install_job.h"
#include "hostcfg/activesync.h"
#include "platform/platform.h"

namespace lw {

struct ProcessState {
  // The log's path once worked out, and the log while it is open.
  char* logPath = nullptr;
  FileHandle logFile = nullptr;
  // Probed once per process: ActiveSync installed or upgraded meanwhile is
  // seen by the next run.
  ActiveSyncGen activeSyncGen = ActiveSyncGen::NotProbed;
  // "wceusbsh", or "winusb" once a sync updater was built under ActiveSync 6.
  const char* syncDriverName = "wceusbsh";
  // The process's one job; its updaters are destroyed at process exit.
  InstallJob job;
};

ProcessState& processState();

// Back to how a process starts: destroys the job's updaters, closes the log
// and forgets the ActiveSync class and the driver name. Tests end with it,
// so that each one starts as a new run would.
void resetProcessState();

}  // namespace lw
