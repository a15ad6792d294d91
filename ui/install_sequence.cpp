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
  return WorkerExitCode::WorkerFailed;
}

// Both backups are attempted whatever the first one gives; a driver file
// that does not exist has nothing to back up and is no failure.
bool backupDrivers(const InstallJob& job, InstallWork& work) {
  bool ok = true;
  for (int index : kUpdaterOrder) {
    if (!job.backupEnabled(index)) continue;
    UpdaterStatus status = work.backupDriver(index);
    if (status != UpdaterStatus::UpdaterOk && status != UpdaterStatus::UpdaterDriverMissing)
      ok = false;
  }
  return ok;
}

}  // namespace

UpdaterStatus JobInstallWork::backupDriver(int index) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->backupDriver() : UpdaterStatus::UpdaterFailed;
}

StepResult JobInstallWork::installInf(int index) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->installInf() : StepResult::StepFailed;
}

UsbSettingResult JobInstallWork::enableActiveSyncUsb() { return lw::enableActiveSyncUsb(); }

WorkerExitCode runInstallSequence(InstallJob& job, InstallWork& work) {
  if (!backupDrivers(job, work) && !work.continueAfterBackupFailure())
    return failInstall(job, work);
  for (int index : kUpdaterOrder) {
    if (work.installInf(index) != StepResult::StepOk) return failInstall(job, work);
  }
  job.finishSigning();
  // Without a connection setting to change there is nothing to fail; the
  // setting has already warned.
  UsbSettingResult usb = work.enableActiveSyncUsb();
  if (usb != UsbSettingResult::UsbOk && usb != UsbSettingResult::UsbNotConfigurable)
    return failInstall(job, work);
  work.postDone();
  return WorkerExitCode::WorkerSucceeded;
}

PageResult awaitWorkerResult(WorkerThread& thread) {
  for (;;) {
    uint32_t code = kStillActive;
    if (!thread.exitCode(&code)) {
      logText("ERROR: Could not get install thread return value.\r\n");
      return PageResult::Error;
    }
    if (code == static_cast<uint32_t>(WorkerExitCode::WorkerFailed)) {
      return PageResult::InstallFailed;
    }
    if (code == static_cast<uint32_t>(WorkerExitCode::WorkerSucceeded)) {
      return PageResult::InstallOk;
    }
    if (code != kStillActive) {
      logText("ERROR: Install thread returned unknown value.\r\n");
      return PageResult::Error;
    }
    // The worker posts its done message just before it returns.
    thread.pause();
  }
}

StepResult completeInstallStep(int dialogResult, const InstallJob& job) {
  const PageResult pageResult = pageResultOf(dialogResult);
  if (pageResult == PageResult::Error) {
    logText("ERROR: Could not load Update Inf dialog.\r\n");
    return StepResult::StepFailed;
  }
  if (pageResult == PageResult::InstallFailed) return StepResult::StepOk;
  if (!writeGenericDeviceFlags(job.genericDevice())) {
    logText("ERROR: Could not write to registry.\r\n");
    return StepResult::StepFailed;
  }
  return StepResult::StepOk;
}

}  // namespace lw
