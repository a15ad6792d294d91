#include "updaters/wceusbsh_update.h"

#include <cstring>

#include "app/log.h"
#include "app/process_state.h"
#include "platform/platform.h"
#include "updaters/driver_paths.h"

namespace lw {

namespace {

constexpr char kGen60DriverName[] = "winusb";
constexpr char kInstalledDirValue[] = "InstalledDir";
constexpr char kInfUnderInf[] = "\\inf\\wceusbsh.inf";
constexpr char kInfUnderDrivers[] = "\\drivers\\wceusbsh.inf";
constexpr char kGen60DriversSuffix[] = "\\system32\\drivers\\";

// The system or Windows directory, in a buffer of its own.
char* directoryFromQuery(bool windowsDirectory) {
  char* buffer = allocatePathBuffer();
  if (!buffer) {
    logText(kNoDriverDirectoryMemoryLine);
    return nullptr;
  }
  uint32_t length = windowsDirectory
                        ? platform().windowsDirectory(buffer, kPathBufferSize)
                        : platform().systemDirectory(buffer, kPathBufferSize);
  // An answer too long for the buffer was never written into it.
  if (takeDirectoryAnswer(buffer, length) == 0) {
    logText(kNoSystemPathLine);
    platform().release(buffer);
    return nullptr;
  }
  return buffer;
}

// ActiveSync's InstalledDir, terminated within the buffer. A REG_SZ may be
// stored without its NUL; one that fills the whole buffer without it is
// refused, never cut short into a wrong path.
char* installedDirectory() {
  RegKey key = nullptr;
  if (platform().openKey(RegRoot::LocalMachine, activeSyncKeyPath, kKeyRead, &key) !=
      kErrorSuccess) {
    logText("ERROR: Could not locate ActiveSync.\r\n");
    return nullptr;
  }
  uint32_t type = 0;
  uint32_t size = 0;
  if (platform().queryValue(key, kInstalledDirValue, &type, nullptr, &size) != kErrorSuccess ||
      type != kRegSz) {
    logText("ERROR: Could not locate ActiveSync's install path.\r\n");
    platform().closeKey(key);
    return nullptr;
  }
  char* buffer = allocatePathBuffer();
  if (!buffer) {
    logText("ERROR: Could not allocate memory for wceusbsh.inf path.\r\n");
    platform().closeKey(key);
    return nullptr;
  }
  size = kPathBufferSize;
  const bool read =
      platform().queryValue(key, kInstalledDirValue, &type, buffer, &size) == kErrorSuccess &&
      size <= kPathBufferSize;
  const bool terminated = read && (std::memchr(buffer, '\0', size) || size < kPathBufferSize);
  platform().closeKey(key);
  if (!terminated) {
    logText("ERROR: Could not copy ActiveSync's install path.\r\n");
    platform().release(buffer);
    return nullptr;
  }
  if (size < kPathBufferSize) buffer[size] = '\0';
  return buffer;
}

}  // namespace

WceusbshUpdate::WceusbshUpdate() {
  // The run's first probe: its log lines follow the banner.
  activeSyncGen = probeActiveSync();
  if (activeSyncGen == Gen60) {
    processState().syncDriverName = kGen60DriverName;
    patchTable.applyGen60Adjustment();
  }
}

WceusbshUpdate::~WceusbshUpdate() {
  platform().release(defaultInfPathCache);
  platform().release(driverFilePathCache);
}

char* WceusbshUpdate::syncBaseDirectory() {
  switch (activeSyncGen) {
    case Gen31:
      return directoryFromQuery(false);
    case Gen36:
      return installedDirectory();
    case Gen60:
      return directoryFromQuery(true);
    default:
      return nullptr;
  }
}

const char* WceusbshUpdate::defaultInfPath() {
  if (defaultInfPathKnown) return defaultInfPathCache;
  defaultInfPathKnown = true;
  defaultInfPathCache = syncBaseDirectory();
  const char* suffix = activeSyncGen == Gen31   ? kInfUnderInf
                       : activeSyncGen == Gen36 ? kInfUnderDrivers
                       : activeSyncGen == Gen60 ? kInfUnderInf
                                                : nullptr;
  if (!suffix) {
    logText("ERROR:Could not determine ActiveSync version.\r\n");
    return nullptr;
  }
  if (!defaultInfPathCache) return nullptr;
  const size_t length = std::strlen(defaultInfPathCache);
  const size_t suffixLength = std::strlen(suffix);
  if (length + suffixLength > kMaxPathLength) {
    logText("ERROR:Default path for wceusbsh.inf path length is too long.\r\n");
    platform().release(defaultInfPathCache);
    defaultInfPathCache = nullptr;
    return nullptr;
  }
  std::memcpy(defaultInfPathCache + length, suffix, suffixLength + 1);
  logText("Wceusb path ...");
  logText(defaultInfPathCache);
  logText("\r\n");
  return defaultInfPathCache;
}

const char* WceusbshUpdate::driverDirectory() {
  if (driverDirectoryKnown) return driverDirectoryCache;
  driverDirectoryCache = syncBaseDirectory();
  const char* suffix = activeSyncGen == Gen60 ? kGen60DriversSuffix : kDriversSuffix;
  if (!driverDirectoryCache) {
    driverDirectoryKnown = true;
    return nullptr;
  }
  const size_t length = std::strlen(driverDirectoryCache);
  const size_t suffixLength = std::strlen(suffix);
  if (length + suffixLength > kMaxPathLength) {
    // Not remembered: the next call works the directory out again.
    logText("ERROR:Driver directory path length is too long.\r\n");
    platform().release(driverDirectoryCache);
    driverDirectoryCache = nullptr;
    return nullptr;
  }
  std::memcpy(driverDirectoryCache + length, suffix, suffixLength + 1);
  driverDirectoryKnown = true;
  return driverDirectoryCache;
}

const char* WceusbshUpdate::driverFilePath() {
  if (driverFilePathKnown) return driverFilePathCache;
  driverFilePathKnown = true;
  driverFilePathCache = allocatePathBuffer();
  if (!driverFilePathCache) {
    logText("ERROR: Could not allocate memory for wceusbsh driver path.\r\n");
    return nullptr;
  }
  fillDriverFilePath(driverFilePathCache, driverDirectory(), driverName(), kDriverExtension);
  return driverFilePathCache;
}

PatchResult WceusbshUpdate::patchInf(const char* outPath, const char* inPath) {
  if (!outPath || !inPath) return PatchBadArgs;
  // The engine marks the records it meets; each run works on a fresh copy
  // so that a second patch comes out the same as the first.
  VendorPatchTable run = patchTable;
  return patchInfFile(run.table(), outPath, inPath);
}

const char* WceusbshUpdate::driverName() { return processState().syncDriverName; }

}  // namespace lw
