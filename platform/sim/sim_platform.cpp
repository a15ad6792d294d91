#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_staging_policy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <utility>

namespace lw {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool isDrivePath(const std::string& p) {
  return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void makeParents(const std::string& hostFile) {
  for (size_t i = 1; i < hostFile.size(); ++i) {
    if (hostFile[i] == '/') ::mkdir(hostFile.substr(0, i).c_str(), 0755);
  }
}

// Windows-1252 characters 0x80..0x9F; 0 marks the five undefined bytes,
// which Windows maps to and from U+0081 and the like.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int unitToCp1252(uint16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
  for (int i = 0; i < 32; ++i) {
    uint16_t mapped = kCp1252High[i] ? kCp1252High[i] : static_cast<uint16_t>(0x80 + i);
    if (mapped == u) return 0x80 + i;
  }
  return '?';
}

struct Message {
  uint32_t code;
  const char* text;
};
const Message kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {740, "The requested operation requires elevation.\r\n"},
    {0xE0000100,
     "The INF or the device information set or element does not have an associated install "
     "class.\r\n"},
    {0xE000020B, "The device instance does not exist.\r\n"},
    {0xE0000217, "The INF is invalid.\r\n"},
    {0xE000022F, "The third-party INF does not contain digital signature information.\r\n"},
};

}  // namespace

struct SimPlatform::File {
  int fd;
  std::string hostPath;
  size_t written = 0;
  uint32_t reparseTag = 0;  // opened as the reparse point itself
  bool locked = false;
  std::pair<uint64_t, uint64_t> identity{};
};

namespace {

constexpr uint32_t kReparseTagSymlink = 0xA000000C;  // IO_REPARSE_TAG_SYMLINK

std::pair<uint64_t, uint64_t> identityOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

}  // namespace

SimPlatform::SimPlatform() {
  char pattern[] = "/tmp/lw-sim-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  root_ = made ? made : "/tmp/lw-sim-failed";
  directories_[Directory::Current] = "C:\\work";
  directories_[Directory::System] = "C:\\windows\\system32";
  directories_[Directory::Windows] = "C:\\windows";
  directories_[Directory::Temp] = "C:\\users\\test\\Temp\\";
  for (const char* d : {"C:\\work", "C:\\windows\\system32\\drivers", "C:\\windows\\inf",
                        "C:\\windows\\Temp", "C:\\users\\test\\Temp"}) {
    makeDirectory(d);
  }
}

SimPlatform::~SimPlatform() {
  for (Handle* h : handles_) delete h;
  for (Signer* s : signers_) delete s;
  ::nftw(root_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string SimPlatform::hostPath(const std::string& path) const {
  std::string p = path;
  if (!isDrivePath(p) && !pathBase_.empty() && !p.empty() && p[0] != '/' && p[0] != '\\') {
    p = pathBase_ + "\\" + p;
  }
  if (!isDrivePath(p)) {
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
  }
  // Windows names are case-blind: the sandbox keeps them in lower case.
  std::string rest = lower(p.substr(2));
  std::replace(rest.begin(), rest.end(), '\\', '/');
  if (rest.empty() || rest[0] != '/') rest = "/" + rest;
  return root_ + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))) + rest;
}

void SimPlatform::putFile(const std::string& path, const std::string& bytes) {
  std::string host = hostPath(path);
  makeParents(host);
  FILE* f = std::fopen(host.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string SimPlatform::fileText(const std::string& path) const {
  std::string out;
  FILE* f = std::fopen(hostPath(path).c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

bool SimPlatform::fileExists(const std::string& path) const {
  struct stat st;
  return ::stat(hostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SimPlatform::isDirectory(const std::string& path) const {
  struct stat st;
  return ::stat(hostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void SimPlatform::makeDirectory(const std::string& path) {
  std::string host = hostPath(path);
  makeParents(host + "/");
}

void SimPlatform::makeHardLink(const std::string& path, const std::string& existing) {
  makeParents(hostPath(path));
  ::link(hostPath(existing).c_str(), hostPath(path).c_str());
}

void SimPlatform::makeSymbolicLink(const std::string& path, const std::string& target) {
  makeParents(hostPath(path));
  ::symlink(hostPath(target).c_str(), hostPath(path).c_str());
}

std::vector<std::string> SimPlatform::listDirectory(const std::string& path) const {
  std::vector<std::string> names;
  DIR* d = ::opendir(hostPath(path).c_str());
  if (!d) return names;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      names.push_back(e->d_name);
    }
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

void SimPlatform::setDirectory(Directory which, const std::string& path, uint32_t error) {
  directories_[which] = path;
  directoryErrors_[which] = error;
}

void SimPlatform::setCurrentDirectoryForPaths(const std::string& path) { pathBase_ = path; }

void SimPlatform::failAllocation(int skip) { failAllocationAfter_ = skip; }

void SimPlatform::setLocalTime(const std::tm& when) {
  localTime_ = when;
  localTimeSet_ = true;
}

void SimPlatform::limitWrites(const std::string& path, size_t bytes) {
  writeLimits_[hostPath(path)] = bytes;
}

bool SimPlatform::isLocked(const std::string& path) const {
  // A link named by the path is locked itself, or the file it leads to is.
  const std::string host = hostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) == 0 && lockedFiles_.count(identityOf(st))) return true;
  return ::stat(host.c_str(), &st) == 0 && lockedFiles_.count(identityOf(st));
}

bool SimPlatform::fail(uint32_t error) {
  lastError_ = error;
  return false;
}

// --- memory --------------------------------------------------------------

void* SimPlatform::allocate(size_t size) {
  ++allocations_;
  if (failAllocationAfter_ == 0) {
    failAllocationAfter_ = -1;
    lastError_ = kErrorNotEnoughMemory;
    return nullptr;
  }
  if (failAllocationAfter_ > 0) --failAllocationAfter_;
  return std::malloc(size ? size : 1);
}

void SimPlatform::release(void* block) { std::free(block); }

// --- directories ---------------------------------------------------------

uint32_t SimPlatform::answerDirectory(Directory which, char* buffer, uint32_t size) {
  const std::string& path = directories_[which];
  if (path.empty()) {
    fail(directoryErrors_[which] ? directoryErrors_[which] : kErrorPathNotFound);
    return 0;
  }
  auto length = static_cast<uint32_t>(path.size());
  if (length + 1 > size) return length + 1;
  std::memcpy(buffer, path.c_str(), length + 1);
  return length;
}

uint32_t SimPlatform::currentDirectory(char* buffer, uint32_t size) {
  return answerDirectory(Directory::Current, buffer, size);
}
uint32_t SimPlatform::systemDirectory(char* buffer, uint32_t size) {
  return answerDirectory(Directory::System, buffer, size);
}
uint32_t SimPlatform::windowsDirectory(char* buffer, uint32_t size) {
  return answerDirectory(Directory::Windows, buffer, size);
}
uint32_t SimPlatform::tempDirectory(char* buffer, uint32_t size) {
  return answerDirectory(Directory::Temp, buffer, size);
}

// --- files ---------------------------------------------------------------

void SimPlatform::refuseNewFilesIn(const std::string& directory) {
  std::string host = hostPath(directory);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  refusingDirectories_.insert(host);
}

bool SimPlatform::refusesNewFile(const std::string& hostFile) const {
  struct stat st;
  const std::string parent = hostFile.substr(0, hostFile.find_last_of('/'));
  return refusingDirectories_.count(parent) > 0 && ::stat(hostFile.c_str(), &st) != 0;
}

uint32_t SimPlatform::tempFileName(const char* directory, const char* prefix, uint32_t unique,
                                   char* out) {
  if (const uint32_t e = std::exchange(tempFileNameError_, 0)) return fail(e);
  std::string dir = directory;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  if (!isDirectory(dir.empty() ? "." : dir)) return fail(kErrorPathNotFound);
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    uint32_t number = unique ? unique : (nextTempUnique_++ & 0xFFFF);
    if (number == 0) continue;
    char name[32];
    std::snprintf(name, sizeof name, "%.3s%X.tmp", prefix, number);
    std::string full = dir + name;
    if (full.size() >= 260) return fail(kErrorInvalidParameter);
    if (unique == 0) {
      if (refusesNewFile(hostPath(full))) return fail(kErrorAccessDenied);
      int fd = ::open(hostPath(full).c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
      if (fd < 0) continue;
      ::close(fd);
    }
    std::memcpy(out, full.c_str(), full.size() + 1);
    return number;
  }
  return fail(kErrorFileExists);
}

bool SimPlatform::copyFile(const char* from, const char* to, bool failIfExists) {
  if (const uint32_t e = std::exchange(copyError_, 0)) return fail(e);
  if (!fileExists(from)) return fail(isDirectory(from) ? kErrorAccessDenied : kErrorFileNotFound);
  if (isDirectory(to)) return fail(kErrorAccessDenied);
  if (isLocked(to)) return fail(kErrorSharingViolation);
  if (failIfExists && fileExists(to)) return fail(kErrorFileExists);
  std::string target = hostPath(to);
  std::string parent = target.substr(0, target.find_last_of('/'));
  struct stat st;
  if (::stat(parent.c_str(), &st) != 0) return fail(kErrorPathNotFound);
  if (refusesNewFile(target)) return fail(kErrorAccessDenied);
  std::string bytes = fileText(from);
  FILE* f = std::fopen(target.c_str(), "wb");
  if (!f) return fail(kErrorAccessDenied);
  const uint32_t partWayError = std::exchange(copyPartWayError_, 0);
  std::fwrite(bytes.data(), 1, partWayError ? bytes.size() / 2 : bytes.size(), f);
  std::fclose(f);
  return partWayError ? fail(partWayError) : true;
}

bool SimPlatform::moveFileReplacing(const char* from, const char* to) {
  if (const uint32_t e = std::exchange(moveError_, 0)) return fail(e);
  if (!fileExists(from)) return fail(isDirectory(from) ? kErrorAccessDenied : kErrorFileNotFound);
  if (isDirectory(to)) return fail(kErrorAccessDenied);
  if (isLocked(from) || isLocked(to)) return fail(kErrorSharingViolation);
  if (::rename(hostPath(from).c_str(), hostPath(to).c_str()) != 0) return fail(kErrorPathNotFound);
  return true;
}

bool SimPlatform::deleteFile(const char* path) {
  if (const uint32_t e = std::exchange(deleteError_, 0)) return fail(e);
  if (isDirectory(path)) return fail(kErrorAccessDenied);
  if (isLocked(path)) return fail(kErrorSharingViolation);
  if (::unlink(hostPath(path).c_str()) != 0) return fail(kErrorFileNotFound);
  return true;
}

bool SimPlatform::createDirectory(const char* path) {
  if (const uint32_t e = std::exchange(createDirectoryError_, 0)) return fail(e);
  std::string host = hostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (::mkdir(host.c_str(), 0755) == 0) return true;
  return fail(errno == EEXIST ? kErrorAlreadyExists : kErrorPathNotFound);
}

uint32_t SimPlatform::fileAttributes(const char* path) {
  struct stat st;
  if (::stat(hostPath(path).c_str(), &st) != 0) {
    fail(kErrorFileNotFound);
    return kInvalidFileAttributes;
  }
  return S_ISDIR(st.st_mode) ? kFileAttributeDirectory : 0x80;
}

bool SimPlatform::listFiles(const char* folder, std::vector<std::string>* names) {
  std::string host = hostPath(folder);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (unreadable_.count(host)) return fail(kErrorAccessDenied);
  DIR* dir = ::opendir(hostPath(folder).c_str());
  if (!dir) return fail(kErrorPathNotFound);
  names->clear();
  const std::string base = hostPath(folder) + "/";
  while (const dirent* entry = ::readdir(dir)) {
    struct stat st;
    if (::stat((base + entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      names->push_back(entry->d_name);
    }
  }
  ::closedir(dir);
  return true;
}

FileHandle SimPlatform::openRead(const char* path) {
  if (isDirectory(path) || unreadable_.count(hostPath(path))) {
    fail(kErrorAccessDenied);
    return nullptr;
  }
  int fd = ::open(hostPath(path).c_str(), O_RDONLY);
  if (fd < 0) {
    fail(kErrorFileNotFound);
    return nullptr;
  }
  return new File{fd, hostPath(path)};
}

FileHandle SimPlatform::openWrite(const char* path) {
  if (isLocked(path)) {
    fail(kErrorSharingViolation);
    return nullptr;
  }
  int fd = ::open(hostPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    fail(errno == EISDIR ? kErrorAccessDenied : kErrorPathNotFound);
    return nullptr;
  }
  return new File{fd, hostPath(path)};
}

FileHandle SimPlatform::openAppend(const char* path) {
  if (isLocked(path)) {
    fail(kErrorSharingViolation);
    return nullptr;
  }
  const std::string host = hostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // The link itself, as FILE_FLAG_OPEN_REPARSE_POINT opens it: nothing
    // can be written through it.
    return new File{::open(host.c_str(), O_PATH | O_NOFOLLOW), host, 0, kReparseTagSymlink};
  }
  int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) {
    fail(errno == EISDIR ? kErrorAccessDenied : kErrorPathNotFound);
    return nullptr;
  }
  const auto tag = reparseTags_.find(host);
  return new File{fd, host, 0, tag == reparseTags_.end() ? 0 : tag->second};
}

FileHandle SimPlatform::openAppendThrough(const char* path) {
  if (beforeOpenThrough_) std::exchange(beforeOpenThrough_, nullptr)();
  if (isLocked(path)) {
    fail(kErrorSharingViolation);
    return nullptr;
  }
  const std::string host = hostPath(path);
  int fd = ::open(host.c_str(), O_WRONLY | O_APPEND);
  if (fd < 0) {
    fail(errno == EISDIR ? kErrorAccessDenied : kErrorFileNotFound);
    return nullptr;
  }
  return new File{fd, host};
}

FileHandle SimPlatform::openReadLocked(const char* path) {
  if (beforeLockedOpen_) {
    std::function<void()> action = std::move(beforeLockedOpen_);
    beforeLockedOpen_ = nullptr;
    action();
  }
  const std::string host = hostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) {
    fail(kErrorFileNotFound);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    fail(kErrorAccessDenied);
    return nullptr;
  }
  File* file = nullptr;
  if (S_ISLNK(st.st_mode)) {
    // The link itself, as FILE_FLAG_OPEN_REPARSE_POINT opens it.
    file = new File{::open(host.c_str(), O_PATH | O_NOFOLLOW), host, 0, kReparseTagSymlink};
  } else {
    int fd = ::open(host.c_str(), O_RDONLY);
    if (fd < 0) {
      fail(kErrorFileNotFound);
      return nullptr;
    }
    file = new File{fd, host};
  }
  file->locked = true;
  file->identity = identityOf(st);
  lockedFiles_.insert(file->identity);
  return file;
}

bool SimPlatform::identifyFile(FileHandle file, FileIdentity* identity) {
  auto* f = static_cast<File*>(file);
  struct stat st;
  if (::fstat(f->fd, &st) != 0) return fail(kErrorInvalidParameter);
  identity->volume = static_cast<uint32_t>(st.st_dev);
  identity->index = static_cast<uint64_t>(st.st_ino);
  identity->links = static_cast<uint32_t>(st.st_nlink);
  identity->reparseTag = f->reparseTag;
  return true;
}

size_t SimPlatform::readFile(FileHandle file, void* buffer, size_t size) {
  auto* f = static_cast<File*>(file);
  ssize_t n = ::read(f->fd, buffer, size);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool SimPlatform::writeFile(FileHandle file, const void* data, size_t size) {
  auto* f = static_cast<File*>(file);
  if (f->reparseTag != 0) return fail(kErrorAccessDenied);
  auto limit = writeLimits_.find(f->hostPath);
  size_t allowed = size;
  if (limit != writeLimits_.end()) {
    allowed = f->written >= limit->second ? 0 : std::min(size, limit->second - f->written);
  }
  const char* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < allowed) {
    ssize_t n = ::write(f->fd, p + done, allowed - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  f->written += done;
  return done == size ? true : fail(112);
}

bool SimPlatform::seekFile(FileHandle file, uint64_t offset) {
  auto* f = static_cast<File*>(file);
  return ::lseek(f->fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

uint64_t SimPlatform::fileSize(FileHandle file) {
  struct stat st;
  if (::fstat(static_cast<File*>(file)->fd, &st) != 0) return UINT64_MAX;
  return static_cast<uint64_t>(st.st_size);
}

bool SimPlatform::closeFile(FileHandle file) {
  auto* f = static_cast<File*>(file);
  if (f->locked) lockedFiles_.erase(lockedFiles_.find(f->identity));
  bool ok = ::close(f->fd) == 0 && f->hostPath != closeFailPath_;
  delete f;
  return ok;
}

// --- registry ------------------------------------------------------------

std::string SimPlatform::keyPath(RegRoot root, const std::string& key) {
  return lower((root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + key);
}

SimPlatform::Key* SimPlatform::keyOf(RegKey key) {
  auto* h = static_cast<Handle*>(key);
  auto it = keys_.find(h->path);
  return it == keys_.end() ? nullptr : &it->second;
}

void SimPlatform::putKey(RegRoot root, const std::string& key) { keys_[keyPath(root, key)]; }

void SimPlatform::putValue(RegRoot root, const std::string& key, const std::string& name,
                           uint32_t type, const std::string& data) {
  keys_[keyPath(root, key)].values[lower(name)] = Value{name, type, data};
}

void SimPlatform::putDword(RegRoot root, const std::string& key, const std::string& name,
                           uint32_t value) {
  std::string data(4, '\0');
  std::memcpy(&data[0], &value, 4);
  putValue(root, key, name, kRegDword, data);
}

bool SimPlatform::keyExists(RegRoot root, const std::string& key) const {
  return keys_.count(keyPath(root, key)) != 0;
}

bool SimPlatform::hasValue(RegRoot root, const std::string& key, const std::string& name) const {
  auto it = keys_.find(keyPath(root, key));
  return it != keys_.end() && it->second.values.count(lower(name)) != 0;
}

uint32_t SimPlatform::valueType(RegRoot root, const std::string& key,
                                const std::string& name) const {
  return hasValue(root, key, name) ? keys_.at(keyPath(root, key)).values.at(lower(name)).type
                                   : kRegNone;
}

std::string SimPlatform::valueData(RegRoot root, const std::string& key,
                                   const std::string& name) const {
  return hasValue(root, key, name) ? keys_.at(keyPath(root, key)).values.at(lower(name)).data
                                   : std::string();
}

std::vector<std::string> SimPlatform::valueNames(RegRoot root, const std::string& key) const {
  std::vector<std::string> names;
  auto it = keys_.find(keyPath(root, key));
  if (it != keys_.end()) {
    for (const auto& v : it->second.values) names.push_back(v.second.name);
  }
  return names;
}

void SimPlatform::denyKey(RegRoot root, const std::string& key, long error) {
  deniedKeys_[keyPath(root, key)] = error;
}

void SimPlatform::refuseValueWrite(const std::string& name, long error) {
  refusedValues_[lower(name)] = error;
}

long SimPlatform::openOrCreate(RegRoot root, const char* subKey, uint32_t access, RegKey* key,
                               bool create) {
  ++registryReads_;
  char mask[16];
  std::snprintf(mask, sizeof mask, "0x%X", static_cast<unsigned>(access));
  keyOpenings_.push_back(std::string(create ? "create " : "open ") +
                         (root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + subKey + " " +
                         mask);
  std::string path = keyPath(root, subKey);
  const std::string software = "hklm\\software\\";
  if (twoRegistryViews_ && (access & kKeyWow64_32Key) &&
      path.compare(0, software.size(), software) == 0)
    path.insert(software.size(), "wow6432node\\");
  auto denied = deniedKeys_.find(path);
  if (denied != deniedKeys_.end()) return denied->second;
  if (!keys_.count(path)) {
    if (!create) return kErrorFileNotFound;
    keys_[path];
  }
  auto* h = new Handle{path, access};
  handles_.push_back(h);
  *key = h;
  return kErrorSuccess;
}

long SimPlatform::openKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) {
  return openOrCreate(root, subKey, access, key, false);
}

long SimPlatform::createKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) {
  return openOrCreate(root, subKey, access, key, true);
}

long SimPlatform::queryValue(RegKey key, const char* name, uint32_t* type, void* data,
                             uint32_t* size) {
  ++registryReads_;
  Key* k = keyOf(key);
  if (!k) return kErrorFileNotFound;
  auto it = k->values.find(lower(name ? name : ""));
  if (it == k->values.end()) return kErrorFileNotFound;
  const Value& v = it->second;
  if (type) *type = v.type;
  auto needed = static_cast<uint32_t>(v.data.size());
  if (!data) {
    if (size) *size = needed;
    return kErrorSuccess;
  }
  if (!size) return kErrorInvalidParameter;
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  std::memcpy(data, v.data.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

long SimPlatform::setValue(RegKey key, const char* name, uint32_t type, const void* data,
                           uint32_t size) {
  auto* h = static_cast<Handle*>(key);
  if (!(h->access & kKeySetValue)) return kErrorAccessDenied;
  auto refused = refusedValues_.find(lower(name));
  if (refused != refusedValues_.end()) return refused->second;
  Key* k = keyOf(key);
  if (!k) return kErrorFileNotFound;
  k->values[lower(name)] = Value{name, type, std::string(static_cast<const char*>(data), size)};
  return kErrorSuccess;
}

long SimPlatform::deleteValue(RegKey key, const char* name) {
  auto* h = static_cast<Handle*>(key);
  if (!(h->access & kKeySetValue)) return kErrorAccessDenied;
  Key* k = keyOf(key);
  if (!k || !k->values.erase(lower(name))) return kErrorFileNotFound;
  return kErrorSuccess;
}

long SimPlatform::closeKey(RegKey key) {
  auto it = std::find(handles_.begin(), handles_.end(), static_cast<Handle*>(key));
  if (it == handles_.end()) return 6;  // ERROR_INVALID_HANDLE
  delete *it;
  handles_.erase(it);
  return kErrorSuccess;
}

// --- Setup API -----------------------------------------------------------

std::string SimPlatform::lowerName(const std::string& name) { return lower(name); }

// As SetupUninstallOEMInf's documentation has it: the INF of the Windows
// INF folder and its PNF go; a device installed with it keeps it unless
// forced.
bool SimPlatform::uninstallOemInf(const char* infName, uint32_t flags) {
  constexpr uint32_t kErrorInfInUseByDevices = 0xE000023D;
  if (const uint32_t e = std::exchange(uninstallError_, 0)) return fail(e);
  if (std::exchange(uninstallLeavesInf_, false)) return true;
  const std::string name = infName;
  if (name.find_first_of("\\/") != std::string::npos) return fail(kErrorInvalidParameter);
  const std::string inf = directories_[Directory::Windows] + "\\inf\\" + name;
  if (!fileExists(inf)) return fail(kErrorFileNotFound);
  if (!(flags & kSuoiForceDelete) && infsInUse_.count(lower(name))) {
    return fail(kErrorInfInUseByDevices);
  }
  ::unlink(hostPath(inf).c_str());
  const size_t dot = inf.rfind('.');
  ::unlink(hostPath(inf.substr(0, dot) + ".pnf").c_str());
  return true;
}

bool SimPlatform::copyOemInf(const char* sourceInf, const char* mediaLocation, uint32_t mediaType,
                             uint32_t copyStyle, char* destName, uint32_t destSize) {
  OemInstall record{sourceInf,          mediaLocation ? mediaLocation : "(null)",
                    mediaType,          copyStyle,
                    destSize,           "",
                    isLocked(sourceInf)};
  if (const uint32_t e = std::exchange(oemError_, 0)) {
    oemInstalls_.push_back(record);
    return fail(e);
  }
  if (!fileExists(sourceInf)) {
    oemInstalls_.push_back(record);
    return fail(kErrorFileNotFound);
  }
  if (enforceSigning_) {
    const uint32_t verdict =
        stagingVerdict(hostPath(sourceInf), TrustedStores{stores_[0], stores_[1]}, utcNow_);
    if (verdict != kErrorSuccess) {
      oemInstalls_.push_back(record);
      return fail(verdict);
    }
  }
  std::string installed;
  for (int n = 0;; ++n) {
    installed = directories_[Directory::Windows] + "\\inf\\oem" + std::to_string(n) + ".inf";
    if (!fileExists(installed)) break;
  }
  if (installed.size() + 1 > destSize) return fail(kErrorInsufficientBuffer);
  putFile(installed, fileText(sourceInf));
  std::memcpy(destName, installed.c_str(), installed.size() + 1);
  record.installedPath = installed;
  oemInstalls_.push_back(record);
  return true;
}

// --- text ----------------------------------------------------------------

int SimPlatform::wideToAnsi(const uint16_t* units, int count, char* out, int outSize) {
  if (!units || count == 0 || count < -1 || outSize < 0) {
    fail(kErrorInvalidParameter);
    return 0;
  }
  int n = 0;
  for (int i = 0; count == -1 || i < count; ++i) {
    if (outSize > 0 && n >= outSize) {
      fail(kErrorInsufficientBuffer);
      return 0;
    }
    if (outSize > 0) out[n] = static_cast<char>(unitToCp1252(units[i]));
    ++n;
    if (count == -1 && units[i] == 0) break;
  }
  return n;
}

char* SimPlatform::systemMessage(uint32_t code) {
  for (const Message& m : kMessages) {
    if (m.code == code) return ::strdup(m.text);
  }
  fail(317);  // ERROR_MR_MID_NOT_FOUND
  return nullptr;
}

void SimPlatform::freeSystemMessage(char* text) { std::free(text); }

bool SimPlatform::localTime(std::tm* out) {
  if (localTimeFails_) return false;
  if (localTimeSet_) {
    *out = localTime_;
    return true;
  }
  std::time_t now = std::time(nullptr);
  return ::localtime_r(&now, out) != nullptr;
}

}  // namespace lw
