#include "ui/pre_install_flow.h"

#include "app/log.h"
#include "platform/platform.h"
#include "ui/page_result.h"
#include "updaters/device_driver_update.h"

namespace lw {

namespace {

constexpr size_t kMaxInfPathLength = 260;

enum class PreInstallState { Welcome, InfSelection };

// The first missing path, -1 when both exist.
int firstMissingInf(InfSources& sources) {
  if (!infPathExists(sources.infPath(SyncUpdaterIndex))) return SyncUpdaterIndex;
  if (!infPathExists(sources.infPath(StorageUpdaterIndex))) return StorageUpdaterIndex;
  return -1;
}

void checkFieldLength(size_t length, const char* tooLong, const char* missing) {
  if (length > kMaxInfPathLength) throw tooLong;
  if (length == 0) throw missing;
}

}  // namespace

const char* JobInfSources::infPath(int index) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->infPath() : nullptr;
}

int JobInfSources::setInfPath(int index, const char* path) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->setInfPath(path) : 1;
}

bool infPathExists(const char* path) {
  return path && platform().fileAttributes(path) != kInvalidFileAttributes;
}

int runPreInstall(PreInstallPages& pages, InfSources& sources) {
  PreInstallState state = PreInstallState::Welcome;
  for (;;) {
    if (state == PreInstallState::Welcome) {
      int result = pages.showWelcome();
      if (result <= Error) {
        logText("ERROR: Could not load Welcome dialog box.\r\n");
        return 1;
      }
      if (result == Cancel) return 1;
      if (result != Next) continue;
      // The first query of each updater works out and logs its default.
      const char* syncPath = sources.infPath(SyncUpdaterIndex);
      const char* storagePath = sources.infPath(StorageUpdaterIndex);
      if (infPathExists(syncPath) && infPathExists(storagePath)) return 0;
      state = PreInstallState::InfSelection;
      continue;
    }
    // Every showing of the selection page says why in the log.
    logText("Warning: Unable to detect the locations of inf files.");
    logText("Asking user to specify the locations. \r\n");
    int result = pages.showInfSelection();
    if (result <= Error) {
      logText("ERROR: Could not load Inf Selection dialog box.\r\n");
      return 1;
    }
    if (result == Cancel) return 1;
    if (result == Back) {
      state = PreInstallState::Welcome;
    } else if (result == Next) {
      int missing = firstMissingInf(sources);
      if (missing < 0) return 0;
      // Only the first missing file is named; the other is checked on the
      // next pass.
      if (pages.showInfNotFound(missing) == 0) return 1;
    }
  }
}

int storeInfPaths(InfPathFields& fields, InfSources& sources) {
  size_t syncLength = fields.textLength(SyncUpdaterIndex);
  checkFieldLength(syncLength, "The path for wceusbsh.inf is too long.",
                   "The path for wceusbsh.inf has not been specified.");
  size_t storageLength = fields.textLength(StorageUpdaterIndex);
  checkFieldLength(storageLength, "The path for usbstor.inf is too long.",
                   "The path for usbstor.inf has not been specified.");

  PlatformBuffer syncPath(syncLength + 2);
  if (!syncPath) {
    logText("ERROR: Could not allocate memory for wceusbsh path.\r\n");
    return 1;
  }
  PlatformBuffer storagePath(storageLength + 2);
  if (!storagePath) {
    logText("ERROR: Could not allocate memory for usbstor path.\r\n");
    return 1;
  }
  fields.readText(SyncUpdaterIndex, syncPath.get(), syncLength + 1);
  fields.readText(StorageUpdaterIndex, storagePath.get(), storageLength + 1);
  if (sources.setInfPath(SyncUpdaterIndex, syncPath.get()) != 0) return 1;
  if (sources.setInfPath(StorageUpdaterIndex, storagePath.get()) != 0) return 1;
  return 0;
}

}  // namespace lw
