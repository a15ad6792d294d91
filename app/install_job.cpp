#include "app/install_job.h"

namespace lw {

int InstallJob::createUpdaters() {
  if (updatersCreated_) return 0;
  updatersCreated_ = true;
  return 0;
}

DeviceDriverUpdate* InstallJob::updater(int index) const {
  return index == SyncUpdaterIndex || index == StorageUpdaterIndex ? updaters_[index] : nullptr;
}

bool InstallJob::backupEnabled(int index) const {
  return (index == SyncUpdaterIndex || index == StorageUpdaterIndex) && backupEnabled_[index];
}

void InstallJob::destroyUpdaters() {}

}  // namespace lw
