// Reads the installed ActiveSync version once per process and classifies it.
#include <cstdint>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "platform/platform.h"

namespace lw {

const char activeSyncKeyPath[] = "Software\\Microsoft\\Windows CE Services";

long openActiveSyncMachineKey(RegKey* key) {
  long result = platform().openKey(RegRoot::LocalMachine, activeSyncKeyPath, kKeyRead, key);
  if (result != kErrorFileNotFound) return result;
  return platform().openKey(RegRoot::LocalMachine, activeSyncKeyPath, kKeyRead | kKeyWow64_32Key,
                            key);
}

namespace {

// One version number: a query offering exactly 4 bytes, so a longer value
// fails here; the type is only collected, the caller judges it.
bool readVersion(RegKey key, const char* name, uint32_t* value, uint32_t* type) {
  uint32_t size = sizeof *value;
  return platform().queryValue(key, name, type, value, &size) == kErrorSuccess;
}

ActiveSyncGen classify(uint32_t major, uint32_t minor) {
  if (major < 3) return ActiveSyncGen::Unsupported;
  if (major == 3) {
    if (minor == 0) return ActiveSyncGen::Unsupported;
    return minor <= 5 ? ActiveSyncGen::Gen31 : ActiveSyncGen::Gen36;
  }
  return major <= 5 ? ActiveSyncGen::Gen36 : ActiveSyncGen::Gen60;
}

// Probed once per process: ActiveSync installed or upgraded meanwhile is
// seen by the next run.
ActiveSyncGen& cachedActiveSyncGen() {
  static ActiveSyncGen gen = ActiveSyncGen::NotProbed;
  return gen;
}

}  // namespace

void forgetActiveSyncProbe() { cachedActiveSyncGen() = ActiveSyncGen::NotProbed; }

ActiveSyncGen probeActiveSync() {
  ActiveSyncGen& cachedGen = cachedActiveSyncGen();
  if (cachedGen != ActiveSyncGen::NotProbed) return cachedGen;
  // Every failure below leaves NotFound behind, so it is not retried.
  cachedGen = ActiveSyncGen::NotFound;

  RegKey key = nullptr;
  if (openActiveSyncMachineKey(&key) != kErrorSuccess) {
    logText("ERROR: Could not locate ActiveSync\r\n");
    return ActiveSyncGen::NotFound;
  }
  uint32_t major = 0, minor = 0, majorType = 0, minorType = 0;
  const char* failure = nullptr;
  if (!readVersion(key, "MajorVersion", &major, &majorType)) {
    failure = "ERROR: Could not locate ActiveSync's major version.\r\n";
  } else if (!readVersion(key, "MinorVersion", &minor, &minorType)) {
    failure = "ERROR: Could not locate ActiveSync's minor version.\r\n";
  } else if (majorType != kRegDword || minorType != kRegDword) {
    // Types are judged only once both reads have succeeded.
    failure = "ERROR: Problem interpreting ActiveSync's version.\r\n";
  }
  if (failure) {
    logText(failure);
    platform().closeKey(key);
    return ActiveSyncGen::NotFound;
  }

  logText("ActiveSync major version is ");
  logNumber(static_cast<int32_t>(major));
  logText("\r\nActiveSync minor version is ");
  logNumber(static_cast<int32_t>(minor));
  logText("\r\n");

  cachedGen = classify(major, minor);
  if (cachedGen == ActiveSyncGen::Unsupported)
    logText("WARNING: Unsupported ActiveSync version.\r\n");
  platform().closeKey(key);
  return cachedGen;
}

}  // namespace lw
