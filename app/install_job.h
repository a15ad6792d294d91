// The one record that the wizard's stages share: the user's choice, how the
// install went, and the two driver updaters it owns.
#pragma once

#include <memory>

#include "app/step_result.h"

namespace lw {

class DeviceDriverUpdate;
class PackageSigner;

enum UpdaterIndex { SyncUpdaterIndex = 0, StorageUpdaterIndex = 1 };

class InstallJob {
 public:
  // Creates the sync updater and then the mass-storage one, once per
  // process; StepFailed when one could not be created.
  StepResult createUpdaters();
  DeviceDriverUpdate* updater(int index) const;
  bool genericDevice() const { return genericDevice_; }
  void setGenericDevice(bool generic) { genericDevice_ = generic; }
  bool succeeded() const { return succeeded_; }
  void markFailed() { succeeded_ = false; }
  bool backupEnabled(int index) const;
  // The run signs no more driver packages: the signing key goes, and a
  // certificate that no installed package needs leaves the stores.
  void finishSigning();
  void destroyUpdaters();

  InstallJob();
  ~InstallJob();
  InstallJob(InstallJob&&) noexcept;
  InstallJob& operator=(InstallJob&&) noexcept;

 private:
  bool genericDevice_ = false;
  bool succeeded_ = true;
  DeviceDriverUpdate* updaters_[2] = {nullptr, nullptr};
  bool backupEnabled_[2] = {true, true};
  bool updatersCreated_ = false;
  // Shared by both updaters: one certificate per run.
  std::unique_ptr<PackageSigner> signer_;
};

}  // namespace lw
