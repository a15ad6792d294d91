#include "ui/install_sequence.h"

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "hostcfg/generic_device_flags.h"
#include "ui/page_result.h"

namespace lw {

namespace {

constexpr int kUpdaterOrder[] = {SyncUpdaterIndex, StorageUpdaterIndex};

WorkerExitCode failInstall(InstallJob& job, InstallWork& work) {
  job.finishSigning();
  job.markFailed();
  work.postDone();
  return WorkerFailed;
}

// Both backups are attempted whatever the first one gives; a driver file
// that does not exist has nothing to back up and is no failure.
bool backupDrivers(const InstallJob& job, InstallWork& work) {
  bool ok = true;
  for (int index : kUpdaterOrder) {
    if (!job.backupEnabled(index)) continue;
    UpdaterStatus status = work.backupDriver(index);
    if (status != UpdaterOk && status != UpdaterDriverMissing) ok = false;
  }
  return ok;
}

}  // namespace

UpdaterStatus JobInstallWork::backupDriver(int index) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->backupDriver() : UpdaterFailed;
}

int JobInstallWork::installInf(int index) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->installInf() : StepFailed;
}

UsbSettingResult JobInstallWork::enableActiveSyncUsb() { return lw::enableActiveSyncUsb(); }

WorkerExitCode runInstallSequence(InstallJob& job, InstallWork& work) {
  if (!backupDrivers(job, work) && !work.continueAfterBackupFailure())
    return failInstall(job, work);
  for (int index : kUpdaterOrder) {
    if (work.installInf(index) != StepOk) return failInstall(job, work);
  }
  job.finishSigning();
  // Without a connection setting to change there is nothing to fail; the
  // setting has already warned.
  UsbSettingResult usb = work.enableActiveSyncUsb();
  if (usb != UsbOk && usb != UsbNotConfigurable) return failInstall(job, work);
  work.postDone();
  return WorkerSucceeded;
}

int awaitWorkerResult(WorkerThread& thread) {
  for (;;) {
    uint32_t code = kStillActive;
    if (!thread.exitCode(&code)) {
      logText("ERROR: Could not get install thread return value.\r\n");
      return Error;
    }
    if (code == WorkerFailed) return InstallFailed;
    if (code == WorkerSucceeded) return InstallOk;
    if (code != kStillActive) {
      logText("ERROR: Install thread returned unknown value.\r\n");
      return Error;
    }
    // The worker posts its done message just before it returns.
    thread.pause();
  }
}

StepResult completeInstallStep(int pageResult, const InstallJob& job) {
  if (pageResult <= Error) {
    logText("ERROR: Could not load Update Inf dialog.\r\n");
    return StepFailed;
  }
  if (pageResult == InstallFailed) return StepOk;
  if (!writeGenericDeviceFlags(job.genericDevice())) {
    logText("ERROR: Could not write to registry.\r\n");
    return StepFailed;
  }
  return StepOk;
}

}  // namespace lw
