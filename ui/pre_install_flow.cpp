#include "ui/pre_install_flow.h"

#include "app/log.h"
#include "platform/platform.h"
#include "updaters/device_driver_update.h"

namespace lw {

namespace {

constexpr size_t kMaxInfPathLength = 260;

enum class PreInstallState { Welcome, InfSelection };

constexpr int kNoMissingInf = -1;

// The index of the first missing path, kNoMissingInf when both exist.
int firstMissingInf(InfSources& sources) {
  if (!infPathExists(sources.infPath(SyncUpdaterIndex))) return SyncUpdaterIndex;
  if (!infPathExists(sources.infPath(StorageUpdaterIndex))) return StorageUpdaterIndex;
  return kNoMissingInf;
}

// The field's validation message, null when it passes.
const char* fieldLengthProblem(size_t length, const char* tooLong, const char* missing) {
  if (length > kMaxInfPathLength) return tooLong;
  if (length == 0) return missing;
  return nullptr;
}

InfPathsResult notStored(const char* validationMessage) {
  return {StepResult::StepFailed, validationMessage};
}

}  // namespace

const char* JobInfSources::infPath(int index) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->infPath() : nullptr;
}

StepResult JobInfSources::setInfPath(int index, const char* path) {
  DeviceDriverUpdate* updater = job_.updater(index);
  return updater ? updater->setInfPath(path) : StepResult::StepFailed;
}

bool infPathExists(const char* path) {
  return path && platform().fileAttributes(path) != kInvalidFileAttributes;
}

StepResult runPreInstall(PreInstallPages& pages, InfSources& sources) {
  PreInstallState state = PreInstallState::Welcome;
  for (;;) {
    if (state == PreInstallState::Welcome) {
      const PageResult result = pageResultOf(pages.showWelcome());
      if (result == PageResult::Error) {
        logText("ERROR: Could not load Welcome dialog box.\r\n");
        return StepResult::StepFailed;
      }
      if (result == PageResult::Cancel) return StepResult::StepFailed;
      if (result != PageResult::Next) continue;
      // The first query of each updater works out and logs its default.
      const char* syncPath = sources.infPath(SyncUpdaterIndex);
      const char* storagePath = sources.infPath(StorageUpdaterIndex);
      if (infPathExists(syncPath) && infPathExists(storagePath)) return StepResult::StepOk;
      state = PreInstallState::InfSelection;
      continue;
    }
    // Every showing of the selection page says why in the log.
    logText("Warning: Unable to detect the locations of inf files.");
    logText("Asking user to specify the locations. \r\n");
    const PageResult result = pageResultOf(pages.showInfSelection());
    if (result == PageResult::Error) {
      logText("ERROR: Could not load Inf Selection dialog box.\r\n");
      return StepResult::StepFailed;
    }
    if (result == PageResult::Cancel) return StepResult::StepFailed;
    if (result == PageResult::Back) {
      state = PreInstallState::Welcome;
    } else if (result == PageResult::Next) {
      int missing = firstMissingInf(sources);
      if (missing == kNoMissingInf) return StepResult::StepOk;
      // Only the first missing file is named; the other is checked on the
      // next pass.
      if (pages.showInfNotFound(missing) == kMessageBoxNotShown) return StepResult::StepFailed;
    }
  }
}

InfPathsResult storeInfPaths(InfPathFields& fields, InfSources& sources) {
  // The first problem found is the only one shown.
  const size_t syncLength = fields.textLength(SyncUpdaterIndex);
  const char* problem = fieldLengthProblem(syncLength, "The path for wceusbsh.inf is too long.",
                                           "The path for wceusbsh.inf has not been specified.");
  const size_t storageLength = fields.textLength(StorageUpdaterIndex);
  if (!problem) {
    problem = fieldLengthProblem(storageLength, "The path for usbstor.inf is too long.",
                                 "The path for usbstor.inf has not been specified.");
  }
  if (problem) return notStored(problem);

  PlatformBuffer syncPath(syncLength + 2);
  if (!syncPath) {
    logText("ERROR: Could not allocate memory for wceusbsh path.\r\n");
    return notStored(nullptr);
  }
  PlatformBuffer storagePath(storageLength + 2);
  if (!storagePath) {
    logText("ERROR: Could not allocate memory for usbstor path.\r\n");
    return notStored(nullptr);
  }
  fields.readText(SyncUpdaterIndex, syncPath.get(), syncLength + 1);
  fields.readText(StorageUpdaterIndex, storagePath.get(), storageLength + 1);
  if (sources.setInfPath(SyncUpdaterIndex, syncPath.get()) != StepResult::StepOk)
    return notStored(nullptr);
  if (sources.setInfPath(StorageUpdaterIndex, storagePath.get()) != StepResult::StepOk)
    return notStored(nullptr);
  return {StepResult::StepOk, nullptr};
}

PageResult leaveInfSelectionBack(InfPathFields& fields, InfSources& sources) {
  storeInfPaths(fields, sources);
  return PageResult::Back;
}

}  // namespace lw
