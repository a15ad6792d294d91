#include "updaters/driver_package.h"

#include "app/log.h"
#include "platform/platform.h"
#include "updaters/driver_paths.h"

namespace lw {

namespace {

constexpr uint32_t kFirstSigningMajor = 6;
// 128 random bits: a name nobody can guess and create first.
constexpr size_t kNameRandomBytes = 16;
// A taken name is someone else's: another is drawn, a few times at most.
constexpr int kNameAttempts = 4;
constexpr char kFolderPrefix[] = "\\Temp\\Linkwright-";

void logError(uint32_t error) {
  logWindowsError(error, ": ");
  logText("\r\n");
}

bool randomName(std::string* out) {
  uint8_t random[kNameRandomBytes];
  if (!platform().randomBytes(random, sizeof random)) return false;
  static const char kDigits[] = "0123456789abcdef";
  out->clear();
  for (uint8_t b : random) {
    *out += kDigits[b >> 4];
    *out += kDigits[b & 15];
  }
  return true;
}

}  // namespace

bool signsDriverPackages() { return platform().windowsVersion().major >= kFirstSigningMajor; }

DriverPackage::~DriverPackage() {
  if (folder_.empty()) return;
  for (const std::string& name : files_) platform().deleteFile(pathOf(name).c_str());
  platform().removeDirectory(folder_.c_str());
}

const char* DriverPackage::folder(const char* driverName) {
  if (attempted_) return folder_.empty() ? nullptr : folder_.c_str();
  attempted_ = true;
  char windows[kPathBufferSize] = {};
  const uint32_t length = platform().windowsDirectory(windows, kPathBufferSize);
  uint32_t error = platform().lastError();
  if (length > 0 && length < kPathBufferSize) {
    error = kErrorAlreadyExists;
    for (int attempt = 0; attempt < kNameAttempts && error == kErrorAlreadyExists; ++attempt) {
      std::string name;
      if (!randomName(&name)) {
        error = platform().lastError();
        break;
      }
      const std::string path = std::string(windows, length) + kFolderPrefix + name;
      if (path.size() > kMaxPathLength) {
        error = kErrorFilenameExcedRange;
        break;
      }
      if (platform().createPrivateDirectory(path.c_str())) {
        folder_ = path;
        return folder_.c_str();
      }
      error = platform().lastError();
    }
  }
  logText("ERROR: Could not create a folder for the ");
  logText(driverName);
  logText(" driver package ");
  logError(error);
  return nullptr;
}

std::string DriverPackage::pathOf(const std::string& name) const {
  if (folder_.empty()) return "";
  std::string path = folder_ + "\\" + name;
  return path.size() > kMaxPathLength ? "" : path;
}

StepResult DriverPackage::copyIn(const char* directory, const std::string& name) {
  if (!directory) {
    // Logged where the directory was asked for; the file has no source.
    logText("ERROR: Could not copy driver file [");
    logText(name.c_str());
    logText("] into the driver package: its folder is not known.\r\n");
    return StepResult::StepFailed;
  }
  const std::string from = std::string(directory) + name;
  const std::string to = pathOf(name);
  // A name the package already holds is not copied over.
  if (!to.empty() && platform().copyFile(from.c_str(), to.c_str(), true)) {
    files_.push_back(name);
    return StepResult::StepOk;
  }
  const uint32_t error = to.empty() ? kErrorFilenameExcedRange : platform().lastError();
  logText("ERROR: Could not copy driver file [");
  logText(from.c_str());
  logText("] into the driver package ");
  logError(error);
  return StepResult::StepFailed;
}

StepResult DriverPackage::write(const std::string& name, const Bytes& bytes) {
  const std::string path = pathOf(name);
  FileHandle file = path.empty() ? nullptr : platform().openWrite(path.c_str());
  if (file) {
    files_.push_back(name);
    const bool written = platform().writeFile(file, bytes.data(), bytes.size());
    if (platform().closeFile(file) && written) return StepResult::StepOk;
  }
  const uint32_t error = path.empty() ? kErrorFilenameExcedRange : platform().lastError();
  logText("ERROR: Could not write [");
  logText(path.empty() ? name.c_str() : path.c_str());
  logText("] ");
  logError(error);
  return StepResult::StepFailed;
}

}  // namespace lw
