#include "updaters/usbstor_update.h"

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "platform/platform.h"
#include "updaters/driver_paths.h"

namespace lw {

namespace {

constexpr char kInfSuffix[] = "\\inf\\usbstor.inf";
constexpr char kDriverFileName[] = "usbstor.sys";

// Fills `buffer` with a directory answer plus `suffix`; on failure logs
// why and releases the buffer.
void directoryWithSuffix(PlatformBuffer& buffer, uint32_t length, const char* suffix,
                         const char* missingLine, const char* tooLongLine) {
  if (length == 0) {
    logText(missingLine);
    buffer.reset();
    return;
  }
  // An answer too long for the buffer was never written into it.
  const bool written = length < kPathBufferSize;
  if (written) buffer.get()[length] = '\0';
  if (!written || !appendToPath(buffer.get(), {suffix})) {
    logText(tooLongLine);
    buffer.reset();
  }
}

}  // namespace

UsbstorUpdate::UsbstorUpdate() {
  // The sync updater made the first probe; this one only reads its class.
  if (probeActiveSync() == ActiveSyncGen::Gen60) patchTable.applyGen60Adjustment();
}

const char* UsbstorUpdate::defaultInfPath() {
  if (defaultInfPathKnown) return defaultInfPathCache.get();
  defaultInfPathKnown = true;
  defaultInfPathCache = PlatformBuffer(kPathBufferSize);
  if (!defaultInfPathCache) {
    logText("ERROR: Could not allocate memory for .inf path buffer.\r\n");
    return nullptr;
  }
  // No line here: the base logs the default path when it first takes it.
  directoryWithSuffix(defaultInfPathCache,
                      platform().windowsDirectory(defaultInfPathCache.get(), kPathBufferSize),
                      kInfSuffix, "ERROR: Could not locate the Windows directory.\r\n",
                      "ERROR: Default path for usbstor.inf is too long.\r\n");
  return defaultInfPathCache.get();
}

const char* UsbstorUpdate::driverDirectory() {
  if (driverDirectoryKnown) return driverDirectoryCache.get();
  driverDirectoryKnown = true;
  driverDirectoryCache = PlatformBuffer(kPathBufferSize);
  if (!driverDirectoryCache) {
    logText(kNoDriverDirectoryMemoryLine);
    return nullptr;
  }
  directoryWithSuffix(
      driverDirectoryCache, platform().systemDirectory(driverDirectoryCache.get(), kPathBufferSize),
      kDriversSuffix, kNoSystemPathLine, "ERROR: Driver directory is too long.\r\n");
  return driverDirectoryCache.get();
}

const char* UsbstorUpdate::driverFilePath() {
  if (driverFilePathKnown) return driverFilePathCache.get();
  driverFilePathKnown = true;
  driverFilePathCache = PlatformBuffer(kPathBufferSize);
  if (!driverFilePathCache) {
    logText("ERROR: Could not allocate memory for usbstor driver path.\r\n");
    return nullptr;
  }
  fillDriverFilePath(driverFilePathCache, driverDirectory(), kDriverFileName, "");
  return driverFilePathCache.get();
}

PatchResult UsbstorUpdate::patchInf(const char* outPath, const char* inPath,
                                    Sha256Digest* written) {
  return patchWithCopyOf(patchTable, outPath, inPath, written);
}

const char* UsbstorUpdate::driverName() { return kStorageDriverName; }

}  // namespace lw
