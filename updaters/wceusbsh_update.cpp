#include "updaters/wceusbsh_update.h"

#include <cstring>

#include "app/log.h"
#include "platform/platform.h"
#include "updaters/driver_paths.h"

namespace lw {

namespace {

constexpr char kInstalledDirValue[] = "InstalledDir";
constexpr char kInfUnderInf[] = "\\inf\\wceusbsh.inf";
constexpr char kInfUnderDrivers[] = "\\drivers\\wceusbsh.inf";
constexpr char kGen60DriversSuffix[] = "\\system32\\drivers\\";

// The system or Windows directory, in a buffer of its own.
PlatformBuffer directoryFromQuery(bool windowsDirectory) {
  PlatformBuffer buffer(kPathBufferSize);
  if (!buffer) {
    logText(kNoDriverDirectoryMemoryLine);
    return buffer;
  }
  uint32_t length = windowsDirectory ? platform().windowsDirectory(buffer.get(), kPathBufferSize)
                                     : platform().systemDirectory(buffer.get(), kPathBufferSize);
  // An answer too long for the buffer was never written into it.
  if (length == 0 || length >= kPathBufferSize) {
    logText(kNoSystemPathLine);
    buffer.reset();
    return buffer;
  }
  buffer.get()[length] = '\0';
  return buffer;
}

// ActiveSync's InstalledDir, terminated within the buffer. A REG_SZ may be
// stored without its NUL; one that fills the whole buffer without it is
// refused, never cut short into a wrong path.
PlatformBuffer installedDirectory() {
  RegKey key = nullptr;
  if (openActiveSyncMachineKey(&key) != kErrorSuccess) {
    logText("ERROR: Could not locate ActiveSync.\r\n");
    return PlatformBuffer();
  }
  uint32_t type = 0;
  uint32_t size = 0;
  if (platform().queryValue(key, kInstalledDirValue, &type, nullptr, &size) != kErrorSuccess ||
      type != kRegSz) {
    logText("ERROR: Could not locate ActiveSync's install path.\r\n");
    platform().closeKey(key);
    return PlatformBuffer();
  }
  PlatformBuffer buffer(kPathBufferSize);
  if (!buffer) {
    logText("ERROR: Could not allocate memory for wceusbsh.inf path.\r\n");
    platform().closeKey(key);
    return buffer;
  }
  size = kPathBufferSize;
  const bool read =
      platform().queryValue(key, kInstalledDirValue, &type, buffer.get(), &size) == kErrorSuccess &&
      size <= kPathBufferSize;
  const bool terminated = read && (std::memchr(buffer.get(), '\0', size) || size < kPathBufferSize);
  platform().closeKey(key);
  if (!terminated) {
    logText("ERROR: Could not copy ActiveSync's install path.\r\n");
    buffer.reset();
    return buffer;
  }
  if (size < kPathBufferSize) buffer.get()[size] = '\0';
  return buffer;
}

}  // namespace

WceusbshUpdate::WceusbshUpdate() {
  // The run's first probe: its log lines follow the banner.
  activeSyncGen = probeActiveSync();
  if (activeSyncGen == ActiveSyncGen::Gen60) {
    driverName_ = kGen60SyncDriverName;
    patchTable.applyGen60Adjustment();
  }
}

PlatformBuffer WceusbshUpdate::syncBaseDirectory() {
  switch (activeSyncGen) {
    case ActiveSyncGen::Gen31:
      return directoryFromQuery(false);
    case ActiveSyncGen::Gen36:
      return installedDirectory();
    case ActiveSyncGen::Gen60:
      return directoryFromQuery(true);
    default:
      return PlatformBuffer();
  }
}

const char* WceusbshUpdate::defaultInfPath() {
  if (defaultInfPathKnown) return defaultInfPathCache.get();
  defaultInfPathKnown = true;
  defaultInfPathCache = syncBaseDirectory();
  const char* suffix = activeSyncGen == ActiveSyncGen::Gen31   ? kInfUnderInf
                       : activeSyncGen == ActiveSyncGen::Gen36 ? kInfUnderDrivers
                       : activeSyncGen == ActiveSyncGen::Gen60 ? kInfUnderInf
                                                               : nullptr;
  if (!suffix) {
    logText("ERROR:Could not determine ActiveSync version.\r\n");
    return nullptr;
  }
  if (!defaultInfPathCache) return nullptr;
  if (!appendToPath(defaultInfPathCache.get(), {suffix})) {
    logText("ERROR:Default path for wceusbsh.inf path length is too long.\r\n");
    defaultInfPathCache.reset();
    return nullptr;
  }
  logText("Wceusb path ...");
  logText(defaultInfPathCache.get());
  logText("\r\n");
  return defaultInfPathCache.get();
}

const char* WceusbshUpdate::driverDirectory() {
  if (driverDirectoryKnown) return driverDirectoryCache.get();
  driverDirectoryCache = syncBaseDirectory();
  const char* suffix = activeSyncGen == ActiveSyncGen::Gen60 ? kGen60DriversSuffix : kDriversSuffix;
  if (!driverDirectoryCache) {
    driverDirectoryKnown = true;
    return nullptr;
  }
  if (!appendToPath(driverDirectoryCache.get(), {suffix})) {
    // Not remembered: the next call works the directory out again.
    logText("ERROR:Driver directory path length is too long.\r\n");
    driverDirectoryCache.reset();
    return nullptr;
  }
  driverDirectoryKnown = true;
  return driverDirectoryCache.get();
}

const char* WceusbshUpdate::driverFilePath() {
  if (driverFilePathKnown) return driverFilePathCache.get();
  driverFilePathKnown = true;
  driverFilePathCache = PlatformBuffer(kPathBufferSize);
  if (!driverFilePathCache) {
    logText("ERROR: Could not allocate memory for wceusbsh driver path.\r\n");
    return nullptr;
  }
  fillDriverFilePath(driverFilePathCache, driverDirectory(), driverName(), kDriverExtension);
  return driverFilePathCache.get();
}

PatchResult WceusbshUpdate::patchInf(const char* outPath, const char* inPath,
                                     Sha256Digest* written) {
  return patchWithCopyOf(patchTable, outPath, inPath, written);
}

const char* WceusbshUpdate::driverName() { return driverName_; }

}  // namespace lw
