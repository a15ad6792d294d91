// The updater for the USB mass-storage class driver, used when a terminal
// shows its storage as a removable disk. Its files have fixed places under
// the Windows and system directories.
#pragma once

#include "infpatch/vendor_tables.h"
#include "updaters/device_driver_update.h"

namespace lw {

class UsbstorUpdate : public DeviceDriverUpdate {
 public:
  UsbstorUpdate();

  // Each path is worked out once; its first outcome, a failure included,
  // is final.
  const char* driverDirectory() override;
  const char* driverFilePath() override;
  PatchResult patchInf(const char* outPath, const char* inPath, Sha256Digest* written) override;
  const char* defaultInfPath() override;
  const char* driverName() override;

 private:
  PlatformBuffer defaultInfPathCache;
  bool defaultInfPathKnown = false;
  PlatformBuffer driverFilePathCache;
  bool driverFilePathKnown = false;
  VendorPatchTable patchTable{VendorTableKind::Storage};
};

}  // namespace lw
