// One updater per driver: finds its INF, backs up its driver file, patches
// a temporary copy of the INF and installs it as an OEM INF.
#pragma once

#include "app/step_result.h"
#include "infpatch/inf_patch.h"
#include "platform/platform.h"
#include "updaters/driver_package.h"

namespace lw {

enum class UpdaterStatus : int {
  UpdaterOk = 0,
  UpdaterFailed = 1,
  UpdaterDriverMissing = 4,
};

class PackageSigner;

class DeviceDriverUpdate {
 public:
  DeviceDriverUpdate() = default;
  // Deletes the temporary INF copy; the buffers release themselves.
  virtual ~DeviceDriverUpdate();
  DeviceDriverUpdate(const DeviceDriverUpdate&) = delete;
  DeviceDriverUpdate& operator=(const DeviceDriverUpdate&) = delete;

  // The five questions each driver answers, in this order.
  virtual const char* driverDirectory() = 0;
  virtual const char* driverFilePath() = 0;
  // With `written`, a complete patch stores the digest of what it wrote.
  virtual PatchResult patchInf(const char* outPath, const char* inPath, Sha256Digest* written) = 0;
  virtual const char* defaultInfPath() = 0;
  virtual const char* driverName() = 0;

  // The INF source: the driver's default until setInfPath gives another.
  const char* infPath();
  StepResult setInfPath(const char* path);
  const char* tempInfPath();
  StepResult copyInfToTemp();
  StepResult installInf();
  StepResult installOemInf();
  const char* backupDirectory();
  UpdaterStatus backupDriver();
  StepResult deleteTempCopy();
  // Signs the package on Windows that ask for a catalog; the run's one.
  void useSigner(PackageSigner* signer) { signer_ = signer; }

 protected:
  // Filled by the subclass's driverDirectory.
  PlatformBuffer driverDirectoryCache;
  bool driverDirectoryKnown = false;

 private:
  // The default path belongs to the subclass; a user's path is held here.
  const char* infFilePath = nullptr;
  PlatformBuffer userInfPath;
  bool infPathKnown = false;
  PlatformBuffer tempInfPathCache;
  bool tempInfPathKnown = false;
  PlatformBuffer backupDirectoryCache;
  bool backupDirectoryKnown = false;
  // GetTempFileNameA made the (empty) file: it is ours to delete even when
  // nothing was copied over it.
  bool tempFileCreated = false;
  // On Vista and later the INF copy lies in a package folder of its own,
  // which goes after the copy itself.
  DriverPackage package_;
  PackageSigner* signer_ = nullptr;
};

}  // namespace lw
