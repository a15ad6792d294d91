// The updater for the USB sync driver that ActiveSync talks over. Where its
// files live, and under ActiveSync 6 which driver it is, follow the
// installed ActiveSync generation.
#pragma once

#include "hostcfg/activesync.h"
#include "infpatch/vendor_tables.h"
#include "updaters/device_driver_update.h"
#include "updaters/driver_paths.h"

namespace lw {

class WceusbshUpdate : public DeviceDriverUpdate {
 public:
  WceusbshUpdate();

  const char* driverDirectory() override;
  const char* driverFilePath() override;
  PatchResult patchInf(const char* outPath, const char* inPath, Sha256Digest* written) override;
  const char* defaultInfPath() override;
  const char* driverName() override;

  // ActiveSync's base directory for this generation, worked out anew on
  // each call; a 262-byte buffer, or none.
  PlatformBuffer syncBaseDirectory();

 private:
  PlatformBuffer defaultInfPathCache;
  bool defaultInfPathKnown = false;
  PlatformBuffer driverFilePathCache;
  bool driverFilePathKnown = false;
  ActiveSyncGen activeSyncGen = ActiveSyncGen::NotProbed;
  // Another under ActiveSync 6.
  const char* driverName_ = kSyncDriverName;
  VendorPatchTable patchTable{VendorTableKind::Sync};
};

}  // namespace lw
