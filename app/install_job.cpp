#include "app/install_job.h"

#include <new>

#include "app/log.h"
#include "platform/platform.h"
#include "updaters/package_signer.h"
#include "updaters/usbstor_update.h"
#include "updaters/wceusbsh_update.h"

namespace lw {

namespace {

// Updaters live in the platform's memory, so that running out of it can be
// tried in tests like every other allocation.
template <typename Updater>
DeviceDriverUpdate* newUpdater() {
  void* memory = platform().allocate(sizeof(Updater));
  return memory ? new (memory) Updater : nullptr;
}

// Each updater signs one catalog.
constexpr int kCatalogsInRun = 2;

}  // namespace

InstallJob::InstallJob() = default;
InstallJob::~InstallJob() = default;
InstallJob::InstallJob(InstallJob&&) noexcept = default;
InstallJob& InstallJob::operator=(InstallJob&&) noexcept = default;

StepResult InstallJob::createUpdaters() {
  if (updatersCreated_) return StepResult::StepOk;
  // Recorded first, so that a failed attempt is not repeated.
  updatersCreated_ = true;
  // The sync updater comes first: its construction runs the ActiveSync
  // probe, whose lines belong right after the banner.
  updaters_[SyncUpdaterIndex] = newUpdater<WceusbshUpdate>();
  if (!updaters_[SyncUpdaterIndex]) {
    logText("ERROR: Could not allocate memory for wceusbsh updator.\r\n");
    return StepResult::StepFailed;
  }
  updaters_[StorageUpdaterIndex] = newUpdater<UsbstorUpdate>();
  if (!updaters_[StorageUpdaterIndex]) {
    logText("ERROR: Could not allocate memory for usbstor updator.\r\n");
    return StepResult::StepFailed;
  }
  signer_ = std::make_unique<PackageSigner>(kCatalogsInRun);
  for (DeviceDriverUpdate* updater : updaters_) updater->useSigner(signer_.get());
  return StepResult::StepOk;
}

DeviceDriverUpdate* InstallJob::updater(int index) const {
  return index == SyncUpdaterIndex || index == StorageUpdaterIndex ? updaters_[index] : nullptr;
}

bool InstallJob::backupEnabled(int index) const {
  return (index == SyncUpdaterIndex || index == StorageUpdaterIndex) && backupEnabled_[index];
}

void InstallJob::finishSigning() {
  if (signer_) signer_->finish();
}

void InstallJob::destroyUpdaters() {
  for (DeviceDriverUpdate*& slot : updaters_) {
    if (!slot) continue;
    // The teardown deletes the temporary INF copy and releases every path.
    slot->~DeviceDriverUpdate();
    platform().release(slot);
    slot = nullptr;
  }
  // After the packages' folders are gone: nothing it signed is left there.
  signer_.reset();
}

}  // namespace lw
