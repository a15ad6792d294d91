#include "updaters/usbstor_update.h"

#include <cstring>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "platform/platform.h"
#include "updaters/driver_paths.h"

namespace lw {

namespace {

constexpr char kStorageDriverName[] = "usbstor";
constexpr char kInfSuffix[] = "\\inf\\usbstor.inf";
constexpr char kDriverFileName[] = "usbstor.sys";

// Fills `buffer` with a directory answer plus `suffix`; false, with the
// buffer released, when the answer was missing or the result too long.
bool directoryWithSuffix(char*& buffer, uint32_t length, const char* suffix,
                         const char* missingLine, const char* tooLongLine) {
  const size_t suffixLength = std::strlen(suffix);
  const char* failure = nullptr;
  if (length == 0) {
    failure = missingLine;
  } else if (length + suffixLength > kMaxPathLength) {
    // Also an answer too long for the buffer, which was never written.
    failure = tooLongLine;
  } else {
    buffer[length] = '\0';
    const size_t written = std::strlen(buffer);
    std::memcpy(buffer + written, suffix, suffixLength + 1);
    return true;
  }
  logText(failure);
  platform().release(buffer);
  buffer = nullptr;
  return false;
}

}  // namespace

UsbstorUpdate::UsbstorUpdate() {
  // The sync updater made the first probe; this one only reads its class.
  if (probeActiveSync() == Gen60) patchTable.applyGen60Adjustment();
}

UsbstorUpdate::~UsbstorUpdate() {
  platform().release(defaultInfPathCache);
  platform().release(driverFilePathCache);
}

const char* UsbstorUpdate::defaultInfPath() {
  if (defaultInfPathKnown) return defaultInfPathCache;
  defaultInfPathKnown = true;
  defaultInfPathCache = allocatePathBuffer();
  if (!defaultInfPathCache) {
    logText("ERROR: Could not allocate memory for .inf path buffer.\r\n");
    return nullptr;
  }
  // No line here: the base logs the default path when it first takes it.
  directoryWithSuffix(defaultInfPathCache,
                      platform().windowsDirectory(defaultInfPathCache, kPathBufferSize),
                      kInfSuffix, "ERROR: Could not locate the Windows directory.\r\n",
                      "ERROR: Default path for usbstor.inf is too long.\r\n");
  return defaultInfPathCache;
}

const char* UsbstorUpdate::driverDirectory() {
  if (driverDirectoryKnown) return driverDirectoryCache;
  driverDirectoryKnown = true;
  driverDirectoryCache = allocatePathBuffer();
  if (!driverDirectoryCache) {
    logText(kNoDriverDirectoryMemoryLine);
    return nullptr;
  }
  directoryWithSuffix(driverDirectoryCache,
                      platform().systemDirectory(driverDirectoryCache, kPathBufferSize),
                      kDriversSuffix, kNoSystemPathLine, "ERROR: Driver directory is too long.\r\n");
  return driverDirectoryCache;
}

const char* UsbstorUpdate::driverFilePath() {
  if (driverFilePathKnown) return driverFilePathCache;
  driverFilePathKnown = true;
  driverFilePathCache = allocatePathBuffer();
  if (!driverFilePathCache) {
    logText("ERROR: Could not allocate memory for usbstor driver path.\r\n");
    return nullptr;
  }
  fillDriverFilePath(driverFilePathCache, driverDirectory(), kDriverFileName, "");
  return driverFilePathCache;
}

PatchResult UsbstorUpdate::patchInf(const char* outPath, const char* inPath) {
  if (!outPath || !inPath) return PatchBadArgs;
  // The engine marks the records it meets; each run works on a fresh copy
  // so that a second patch comes out the same as the first.
  VendorPatchTable run = patchTable;
  return patchInfFile(run.table(), outPath, inPath);
}

const char* UsbstorUpdate::driverName() { return kStorageDriverName; }

}  // namespace lw
