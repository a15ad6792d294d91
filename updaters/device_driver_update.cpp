#include "updaters/device_driver_update.h"

#include <cstring>
#include <utility>

#include "app/log.h"
#include "platform/platform.h"
#include "signing/sha256.h"
#include "updaters/driver_paths.h"
#include "updaters/package_build.h"
#include "updaters/package_signer.h"
#include "updaters/signature_errors.h"

namespace lw {

namespace {

// The temporary directory has its own, smaller buffer: GetTempFileNameA
// needs room for the "abkXXXX.tmp" name after it.
constexpr uint32_t kTempDirectoryBufferSize = 248;
constexpr char kTempPrefix[] = "abk";
constexpr char kBackupFolder[] = "abkBackup\\";
constexpr char kCopyExtension[] = ".tmp";
static_assert(sizeof kCopyExtension == sizeof kDriverExtension,
              "the copy's name is the backup's length");
constexpr char kNoBackupNameMemoryLine[] =
    "ERROR: Could not allocate memory for backup driver name.";
constexpr char kNoTempFileNameLine[] = "ERROR: Could not determine a temporary file name.\r\n";

// The backup could not be made; `error` is the number of the step that
// failed.
UpdaterStatus backupFailed(const char* backupFile, uint32_t error) {
  logText("ERROR: Could not create backup file [");
  logText(backupFile);
  logText("] ");
  logWindowsError(error, ":");
  logText("\r\n");
  return UpdaterStatus::UpdaterFailed;
}

UpdaterStatus driverMissing() {
  logText("WARNING: Driver file does not exist for backup.\r\n");
  return UpdaterStatus::UpdaterDriverMissing;
}

// A copy that cannot be removed is named, so that nothing is left unknown.
void removeCopy(const char* copy) {
  if (platform().deleteFile(copy) || platform().lastError() == kErrorFileNotFound) return;
  logText("WARNING: Could not delete the temporary backup copy [");
  logText(copy);
  logText("].\r\n");
}

// The copy is handed to Setup only while it is held open against every
// writer, after its bytes were read back through that same handle and found
// to be the ones last written. Null when the file cannot be held so, is a
// link or has another name, or holds other bytes; `bytes` gets what was read.
FileHandle holdUnchanged(const char* path, const Sha256Digest& written, Bytes* bytes) {
  FileHandle file = platform().openReadLocked(path);
  if (!file) return nullptr;
  bool unchanged = !isLinked(file);
  if (unchanged) {
    readToEnd(file, bytes);
    Sha256 hash;
    hash.update(bytes->data(), bytes->size());
    unchanged = hash.finish() == written;
  }
  if (unchanged) return file;
  platform().closeFile(file);
  return nullptr;
}

}  // namespace

DeviceDriverUpdate::~DeviceDriverUpdate() { deleteTempCopy(); }

const char* DeviceDriverUpdate::infPath() {
  if (infPathKnown) return infFilePath;
  infPathKnown = true;
  infFilePath = defaultInfPath();
  // A failed default lookup has been logged by the subclass and stays.
  if (!infFilePath) return nullptr;
  logText("Default path of ");
  logText(driverName());
  logText(" inf file is [");
  logText(infFilePath);
  logText("].\r\n");
  return infFilePath;
}

StepResult DeviceDriverUpdate::setInfPath(const char* path) {
  // An earlier user path goes; a default one stays until replaced.
  if (userInfPath) {
    userInfPath.reset();
    infFilePath = nullptr;
  }
  if (!path) return StepResult::StepFailed;
  const size_t length = std::strlen(path);
  if (length > kMaxPathLength) {
    logText("ERROR: Specified path for ");
    logText(driverName());
    logText(" inf file is too long.\r\n");
    return StepResult::StepFailed;
  }
  userInfPath = PlatformBuffer(length + 2);
  if (!userInfPath) {
    infFilePath = nullptr;
    logText("ERROR: Could not allocate memory for new ");
    logText(driverName());
    logText(" inf file path.");
    return StepResult::StepFailed;
  }
  std::memcpy(userInfPath.get(), path, length + 1);
  infFilePath = userInfPath.get();
  infPathKnown = true;
  return StepResult::StepOk;
}

const char* DeviceDriverUpdate::tempInfPath() {
  if (tempInfPathKnown) return tempInfPathCache.get();
  tempInfPathKnown = true;

  PlatformBuffer directory(kTempDirectoryBufferSize);
  if (!directory) {
    logText("ERROR: Could not allocate memory for temporary directory path.\r\n");
    return nullptr;
  }
  uint32_t length = 0;
  if (signsDriverPackages()) {
    // The package's own folder, which only administrators can write; it
    // is short enough by its making.
    const char* folder = package_.folder(driverName());
    if (!folder) return nullptr;
    length = static_cast<uint32_t>(std::strlen(folder));
    if (length < kTempDirectoryBufferSize) std::memcpy(directory.get(), folder, length);
  } else {
    length = platform().tempDirectory(directory.get(), kTempDirectoryBufferSize);
    if (length == 0 || length >= kTempDirectoryBufferSize) {
      // No usable temporary directory: the current one, by its full name,
      // since SetupCopyOEMInfA refuses a relative path.
      length = platform().currentDirectory(directory.get(), kTempDirectoryBufferSize);
    }
  }
  if (length == 0 || length >= kTempDirectoryBufferSize) {
    logText(kNoTempFileNameLine);
    return nullptr;
  }
  directory.get()[length] = '\0';

  PlatformBuffer name(kPathBufferSize);
  if (!name) {
    logText("ERROR: Could not allocate memory for the temporary file name.\r\n");
    return nullptr;
  }
  // GetTempFileNameA writes at most 260 bytes; the zeroed tail keeps the
  // name terminated whatever the platform does.
  std::memset(name.get(), 0, kPathBufferSize);
  if (platform().tempFileName(directory.get(), kTempPrefix, 0, name.get()) == 0) {
    logText(kNoTempFileNameLine);
    return nullptr;
  }
  tempInfPathCache = std::move(name);
  tempFileCreated = true;
  logText("Path of temporary ");
  logText(driverName());
  logText(" inf file is [");
  logText(tempInfPathCache.get());
  logText("].\r\n");
  return tempInfPathCache.get();
}

StepResult DeviceDriverUpdate::copyInfToTemp() {
  // No temporary file is made for an INF source that is not there.
  const char* source = infPath();
  const char* temp = source ? tempInfPath() : nullptr;
  if (!temp) return StepResult::StepFailed;
  if (platform().copyFile(source, temp, false)) return StepResult::StepOk;
  const uint32_t error = platform().lastError();
  logText("ERROR: Could not copy ");
  logText(source);
  logText(" to ");
  logText(temp);
  logText(" ");
  logWindowsError(error, ":");
  logText("\r\n");
  return StepResult::StepFailed;
}

StepResult DeviceDriverUpdate::installInf() {
  // Asked in this order so that the default-path and temporary-path lines
  // come before the copy's.
  const char* source = infPath();
  const char* temp = source ? tempInfPath() : nullptr;
  const char* name = temp ? driverName() : nullptr;
  if (!name) return StepResult::StepFailed;
  logText("Creating a copy of ");
  logText(name);
  logText(" inf file.\r\n");
  if (copyInfToTemp() != StepResult::StepOk) return StepResult::StepFailed;
  // The engine reads the stock INF and rewrites the temporary copy; a
  // failure there is reported by the result alone.
  Sha256Digest written{};
  if (patchInf(temp, source, &written) != PatchResult::PatchOk) return StepResult::StepFailed;
  const bool signs = signsDriverPackages();
  PackageManifest manifest;
  if (signs) {
    if (!signer_) {
      logText("ERROR: No driver signing certificate for the driver package.\r\n");
      return StepResult::StepFailed;
    }
    if (buildPackage(package_, *signer_, temp, driverDirectory(), name, &written, &manifest) !=
        StepResult::StepOk) {
      return StepResult::StepFailed;
    }
  }
  Bytes infBytes;
  FileHandle held = holdUnchanged(temp, written, &infBytes);
  if (!held) {
    logText("ERROR: Could not verify the patched inf file before installing it [");
    logText(temp);
    logText("].\r\n");
    return StepResult::StepFailed;
  }
  if (signs && verifyPackage(package_, *signer_, manifest, infBytes) != StepResult::StepOk) {
    platform().closeFile(held);
    return StepResult::StepFailed;
  }
  // Held until Setup has made its own copy.
  const StepResult installed = installOemInf();
  platform().closeFile(held);
  if (signs && installed == StepResult::StepOk) signer_->markUsed();
  return installed;
}

StepResult DeviceDriverUpdate::installOemInf() {
  const char* temp = tempInfPath();
  if (!temp) return StepResult::StepFailed;
  // The installed name is only logged; nothing reads it later.
  PlatformBuffer oemInfName(kPathBufferSize);
  if (!oemInfName) {
    logText("ERROR: Could not allocate memory for oemxx.inf file path.\r\n");
    return StepResult::StepFailed;
  }
  std::memset(oemInfName.get(), 0, kPathBufferSize);
  if (platform().copyOemInf(temp, driverDirectory(), kSpostPath, 0, oemInfName.get(),
                            static_cast<uint32_t>(kPathBufferSize))) {
    oemInfName.get()[kPathBufferSize - 1] = '\0';
    logText("Created ");
    logText(driverName());
    logText(" oemxx.inf file [");
    logText(oemInfName.get());
    logText("].\r\n");
    return StepResult::StepOk;
  }
  const uint32_t error = platform().lastError();
  logErrorLine("ERROR: Could not copy temporary file as oemxx.inf ", error);
  if (isSignatureRefusal(error)) {
    logText(
        "Windows refused the driver package's signature: see \"If Windows refuses the "
        "driver package\" in README.txt.\r\n");
  }
  return StepResult::StepFailed;
}

const char* DeviceDriverUpdate::backupDirectory() {
  if (backupDirectoryKnown) return backupDirectoryCache.get();
  backupDirectoryKnown = true;
  PlatformBuffer buffer(kPathBufferSize);
  if (!buffer) {
    logText("ERROR: Could not allocate memory for backup path.\r\n");
    return nullptr;
  }
  const char* directory = driverDirectory();
  if (!directory) {
    logText(kNoDriverDirectoryLine);
    return nullptr;
  }
  buffer.get()[0] = '\0';
  if (!appendToPath(buffer.get(), {directory, kBackupFolder})) {
    logText("ERROR: Backup path is too long.\r\n");
    return nullptr;
  }
  backupDirectoryCache = std::move(buffer);
  return backupDirectoryCache.get();
}

UpdaterStatus DeviceDriverUpdate::backupDriver() {
  // Asked in order, stopping at the first that fails: that step has logged
  // why, and a later one would only log the same failure again.
  const char* directory = backupDirectory();
  const char* name = directory ? driverName() : nullptr;
  const char* driverFile = name ? driverFilePath() : nullptr;
  if (!driverFile) return UpdaterStatus::UpdaterFailed;

  const size_t directoryLength = std::strlen(directory);
  const char* separator =
      directoryLength == 0 || directory[directoryLength - 1] != '\\' ? "\\" : "";
  // Sized to fit, so this name has no length limit of its own.
  const size_t length = joinedLength({directory, separator, name, kDriverExtension});
  PlatformBuffer backupFile(length + 2);
  if (!backupFile) {
    logText(kNoBackupNameMemoryLine);
    return UpdaterStatus::UpdaterFailed;
  }
  backupFile.get()[0] = '\0';
  appendToPath(backupFile.get(), {directory, separator, name, kDriverExtension}, length);

  logText("Backing up ");
  logText(name);
  logText(" driver to [");
  logText(backupFile.get());
  logText("].\r\n");

  if (!platform().createDirectory(directory)) {
    const uint32_t error = platform().lastError();
    // A folder left by an earlier run is reused.
    if (error != kErrorAlreadyExists) {
      logErrorLine("ERROR: Could not create backup directory ", error);
      return UpdaterStatus::UpdaterFailed;
    }
  }
  // Looked for before anything is made in the folder, so that a missing
  // driver is the warning it always was, whatever the folder allows.
  if (platform().fileAttributes(driverFile) == kInvalidFileAttributes &&
      platform().lastError() == kErrorFileNotFound) {
    return driverMissing();
  }
  // The driver is copied beside the backup and takes its place only once
  // complete: a copy that fails part-way (a full disk) must not destroy the
  // backup of an earlier run. The copy's name is as long as the backup's,
  // so every backup name that fits has a copy name that fits; one left by
  // an earlier run is overwritten.
  PlatformBuffer copy(length + 2);
  if (!copy) {
    logText(kNoBackupNameMemoryLine);
    return UpdaterStatus::UpdaterFailed;
  }
  copy.get()[0] = '\0';
  appendToPath(copy.get(), {directory, separator, name, kCopyExtension}, length);
  if (!platform().copyFile(driverFile, copy.get(), false)) {
    const uint32_t error = platform().lastError();
    const UpdaterStatus status =
        error == kErrorFileNotFound ? driverMissing() : backupFailed(backupFile.get(), error);
    removeCopy(copy.get());
    return status;
  }
  if (!platform().moveFileReplacing(copy.get(), backupFile.get())) {
    const UpdaterStatus status = backupFailed(backupFile.get(), platform().lastError());
    removeCopy(copy.get());
    return status;
  }
  return UpdaterStatus::UpdaterOk;
}

StepResult DeviceDriverUpdate::deleteTempCopy() {
  // Whatever GetTempFileNameA created is removed, copied over or not, so no
  // "abk" file outlives the run.
  if (!tempFileCreated) return StepResult::StepOk;
  if (!tempInfPathCache || !platform().deleteFile(tempInfPathCache.get()))
    return StepResult::StepFailed;
  tempFileCreated = false;
  return StepResult::StepOk;
}

}  // namespace lw
