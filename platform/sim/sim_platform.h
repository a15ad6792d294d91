// A simulated Windows for native builds and tests. Drive paths ("C:\...")
// live in a sandbox folder on the host that the object creates and removes;
// any other path passes through to the host unchanged. The registry lives in
// memory, keys and value names compared without regard to case.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace lw {

class SimPlatform : public Platform {
 public:
  enum class Directory { Current, System, Windows, Temp };

  struct OemInstall {
    std::string source;
    std::string mediaLocation;  // "(null)" when none was given
    uint32_t mediaType;
    uint32_t copyStyle;
    uint32_t destSize;
    std::string installedPath;
    bool sourceLocked;  // held by openReadLocked while Setup read it
  };

  SimPlatform();
  ~SimPlatform() override;
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  // --- control API for tests -------------------------------------------
  // The host path behind a Windows path.
  std::string hostPath(const std::string& path) const;
  void putFile(const std::string& path, const std::string& bytes);  // parents made
  std::string fileText(const std::string& path) const;
  bool fileExists(const std::string& path) const;
  bool isDirectory(const std::string& path) const;
  void makeDirectory(const std::string& path);
  // A second name for an existing file, or a symbolic link to any path.
  void makeHardLink(const std::string& path, const std::string& existing);
  void makeSymbolicLink(const std::string& path, const std::string& target);
  // Names in a directory, sorted.
  std::vector<std::string> listDirectory(const std::string& path) const;

  // A directory answer; an empty one makes the query fail with `error`.
  void setDirectory(Directory which, const std::string& path, uint32_t error = kErrorPathNotFound);
  // Relative paths resolve against the current directory, or, when it is
  // set to "", against the host's.
  void setCurrentDirectoryForPaths(const std::string& path);

  // The allocation after `skip` successful ones fails (once).
  void failAllocation(int skip = 0);
  int allocationsMade() const { return allocations_; }
  void failNextCopy(uint32_t error) { copyError_ = error; }
  // The next copy writes half of the file over its target, then fails with
  // `error`, as CopyFileA does when the disk fills up.
  void failNextCopyPartWay(uint32_t error) { copyPartWayError_ = error; }
  void failNextMove(uint32_t error) { moveError_ = error; }
  void failNextDelete(uint32_t error) { deleteError_ = error; }
  // A file or folder whose permissions let nobody read it: openRead or
  // listFiles fails with kErrorAccessDenied.
  void refuseReading(const std::string& path) { unreadable_.insert(hostPath(path)); }
  // A folder whose permissions let no new file be made in it (files there
  // may still be written): copying or a temporary name there fails with
  // kErrorAccessDenied.
  void refuseNewFilesIn(const std::string& directory);
  void failNextCreateDirectory(uint32_t error) { createDirectoryError_ = error; }
  void failNextTempFileName(uint32_t error) { tempFileNameError_ = error; }
  void failNextOemInstall(uint32_t error) { oemError_ = error; }
  void failLocalTime() { localTimeFails_ = true; }
  void setLocalTime(const std::tm& when);
  // Files whose closing reports lost data (a full disk).
  void failCloseOf(const std::string& path) { closeFailPath_ = hostPath(path); }
  // Writes to files at this path fail after `bytes` bytes.
  void limitWrites(const std::string& path, size_t bytes);
  // Runs `action` (another program at work) right before the next
  // openReadLocked looks at its file.
  void beforeNextLockedOpen(std::function<void()> action) { beforeLockedOpen_ = std::move(action); }
  // The file is a reparse point with this tag that is no link (a cloud or
  // deduplication tag): opened itself, as openAppend opens it, it bypasses
  // the filter that shows the file's data, so writes through that handle
  // fail with kErrorAccessDenied.
  void setReparseTag(const std::string& path, uint32_t tag) { reparseTags_[hostPath(path)] = tag; }
  // Runs `action` right before the next openAppendThrough.
  void beforeNextOpenThrough(std::function<void()> action) {
    beforeOpenThrough_ = std::move(action);
  }
  // The file (or the link itself) is held by openReadLocked: writing,
  // moving or deleting it fails with kErrorSharingViolation.
  bool isLocked(const std::string& path) const;

  // A 64-bit Windows: kKeyWow64_32Key opens HKLM\Software's 32-bit view,
  // which the 64-bit view shows as Software\Wow6432Node. Otherwise the flag
  // is ignored, as 32-bit Windows does.
  void setRegistryViews(bool twoViews) { twoRegistryViews_ = twoViews; }
  void putValue(RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                const std::string& data);
  void putDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value);
  void putKey(RegRoot root, const std::string& key);
  bool keyExists(RegRoot root, const std::string& key) const;
  bool hasValue(RegRoot root, const std::string& key, const std::string& name) const;
  uint32_t valueType(RegRoot root, const std::string& key, const std::string& name) const;
  std::string valueData(RegRoot root, const std::string& key, const std::string& name) const;
  std::vector<std::string> valueNames(RegRoot root, const std::string& key) const;
  // Opening or creating the key fails with `error`.
  void denyKey(RegRoot root, const std::string& key, long error = kErrorAccessDenied);
  // Writing the named value fails with `error`.
  void refuseValueWrite(const std::string& name, long error = kErrorAccessDenied);
  int registryReads() const { return registryReads_; }
  // Every attempt to open or create a key, in order, as the program asked
  // for it: "open HKLM\<key> 0x20019", "create HKLM\<key> 0x20006".
  const std::vector<std::string>& keyOpenings() const { return keyOpenings_; }
  int openKeys() const { return static_cast<int>(handles_.size()); }

  const std::vector<OemInstall>& oemInstalls() const { return oemInstalls_; }
  // A device was installed with this OEM INF (a name in the INF folder):
  // uninstalling it without SUOI_FORCEDELETE fails.
  void markInfInUse(const std::string& infName) { infsInUse_.insert(lowerName(infName)); }
  void failNextUninstall(uint32_t error) { uninstallError_ = error; }
  // The next uninstall reports success and leaves the INF where it was.
  void leaveNextUninstalledInf() { uninstallLeavesInf_ = true; }
  // A certificate another program put in a store.
  void putStoreCertificate(CertStore store, const Bytes& der, const std::string& friendlyName);

  // --- Windows version, randomness, private folders, signing ---------------
  void setWindowsVersion(uint32_t major, uint32_t minor, uint32_t build = 0) {
    version_ = {major, minor, build};
  }
  // Setup then stages a package as 64-bit Windows 8 and later do: only with
  // a catalog that covers it, signed by a trusted publisher.
  void enforceDriverSigning(bool on) { enforceSigning_ = on; }
  void setUtcNow(const UtcTime& now) { utcNow_ = now; }
  // The next random bytes start over from `seed` (the same names again).
  void setRandomSeed(uint32_t seed) { randomState_ = seed; }
  void failNextRandom(uint32_t error) { randomError_ = error; }
  void failNextPrivateDirectory(uint32_t error) { privateDirectoryError_ = error; }
  bool isPrivateDirectory(const std::string& path) const;
  void failNextSigner(uint32_t error) { signerError_ = error; }
  void failNextSignature(uint32_t error) { signatureError_ = error; }
  void failNextKeyDestruction(uint32_t error) { keyDestroyError_ = error; }
  void failNextStoreAdd(CertStore store, uint32_t error) {
    storeAddError_[storeSlot(store)] = error;
  }
  // Keys made and not yet destroyed.
  int liveKeys() const { return liveKeys_; }
  const std::vector<Bytes>& storeCertificates(CertStore store) const {
    return stores_[storeSlot(store)];
  }

  // --- Platform ------------------------------------------------------------
  void* allocate(size_t size) override;
  void release(void* block) override;
  uint32_t lastError() override { return lastError_; }
  uint32_t currentDirectory(char* buffer, uint32_t size) override;
  uint32_t systemDirectory(char* buffer, uint32_t size) override;
  uint32_t windowsDirectory(char* buffer, uint32_t size) override;
  uint32_t tempDirectory(char* buffer, uint32_t size) override;
  uint32_t tempFileName(const char* directory, const char* prefix, uint32_t unique,
                        char* out) override;
  bool copyFile(const char* from, const char* to, bool failIfExists) override;
  bool moveFileReplacing(const char* from, const char* to) override;
  bool deleteFile(const char* path) override;
  bool createDirectory(const char* path) override;
  uint32_t fileAttributes(const char* path) override;
  bool listFiles(const char* folder, std::vector<std::string>* names) override;
  FileHandle openRead(const char* path) override;
  FileHandle openWrite(const char* path) override;
  FileHandle openAppend(const char* path) override;
  FileHandle openAppendThrough(const char* path) override;
  FileHandle openReadLocked(const char* path) override;
  bool identifyFile(FileHandle file, FileIdentity* identity) override;
  size_t readFile(FileHandle file, void* buffer, size_t size) override;
  bool writeFile(FileHandle file, const void* data, size_t size) override;
  bool seekFile(FileHandle file, uint64_t offset) override;
  uint64_t fileSize(FileHandle file) override;
  bool closeFile(FileHandle file) override;
  long openKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) override;
  long createKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) override;
  long queryValue(RegKey key, const char* name, uint32_t* type, void* data,
                  uint32_t* size) override;
  long setValue(RegKey key, const char* name, uint32_t type, const void* data,
                uint32_t size) override;
  long deleteValue(RegKey key, const char* name) override;
  long closeKey(RegKey key) override;
  bool copyOemInf(const char* sourceInf, const char* mediaLocation, uint32_t mediaType,
                  uint32_t copyStyle, char* destName, uint32_t destSize) override;
  bool uninstallOemInf(const char* infName, uint32_t flags) override;
  int wideToAnsi(const uint16_t* units, int count, char* out, int outSize) override;
  char* systemMessage(uint32_t code) override;
  void freeSystemMessage(char* text) override;
  bool localTime(std::tm* out) override;
  UtcTime utcNow() override { return utcNow_; }
  WindowsVersion windowsVersion() override { return version_; }
  bool randomBytes(void* out, size_t size) override;
  bool createPrivateDirectory(const char* path) override;
  bool removeDirectory(const char* path) override;
  SignerHandle createSigner(const char* subject, const UtcTime& notBefore,
                            const UtcTime& notAfter) override;
  bool signerCertificate(SignerHandle signer, Bytes* der) override;
  bool signWithSigner(SignerHandle signer, HashAlgorithm algorithm, const Bytes& data,
                      Bytes* signature) override;
  bool destroySignerKey(SignerHandle signer) override;
  void closeSigner(SignerHandle signer) override;
  bool addSignerCertificate(SignerHandle signer, CertStore store) override;
  bool removeSignerCertificate(SignerHandle signer, CertStore store) override;
  bool storeCertificates(CertStore store, std::vector<StoreCertificate>* certificates) override;
  bool deleteStoreCertificate(CertStore store, const Bytes& der) override;

 private:
  struct Value {
    std::string name;
    uint32_t type;
    std::string data;
  };
  struct Key {
    std::map<std::string, Value> values;  // by lower-case name
  };
  struct Handle {
    std::string path;
    uint32_t access;
  };
  struct File;
  struct Signer {
    Bytes certificate;
    bool keyAlive;
  };
  static int storeSlot(CertStore store) { return store == CertStore::Root ? 0 : 1; }

  uint32_t answerDirectory(Directory which, char* buffer, uint32_t size);
  bool fail(uint32_t error);
  static std::string keyPath(RegRoot root, const std::string& key);
  long openOrCreate(RegRoot root, const char* subKey, uint32_t access, RegKey* key, bool create);
  Key* keyOf(RegKey key);

  std::string root_;
  std::map<Directory, std::string> directories_;
  std::map<Directory, uint32_t> directoryErrors_;
  std::string pathBase_ = "C:\\work";
  uint32_t lastError_ = 0;
  int failAllocationAfter_ = -1;
  int allocations_ = 0;
  uint32_t copyError_ = 0;
  uint32_t copyPartWayError_ = 0;
  uint32_t moveError_ = 0;
  uint32_t deleteError_ = 0;
  std::set<std::string> unreadable_;             // host paths
  std::set<std::string> refusingDirectories_;    // host paths
  std::map<std::string, uint32_t> reparseTags_;  // host paths
  std::function<void()> beforeOpenThrough_;
  bool refusesNewFile(const std::string& hostFile) const;
  uint32_t createDirectoryError_ = 0;
  uint32_t tempFileNameError_ = 0;
  uint32_t oemError_ = 0;
  uint32_t nextTempUnique_ = 0x1A2B;
  bool localTimeFails_ = false;
  bool localTimeSet_ = false;
  std::tm localTime_{};
  std::string closeFailPath_;
  std::map<std::string, size_t> writeLimits_;
  std::function<void()> beforeLockedOpen_;
  std::multiset<std::pair<uint64_t, uint64_t>> lockedFiles_;  // device, inode
  std::map<std::string, Key> keys_;                           // by lower-case "HKLM\path"
  std::map<std::string, long> deniedKeys_;
  std::map<std::string, long> refusedValues_;
  std::vector<Handle*> handles_;
  int registryReads_ = 0;
  bool twoRegistryViews_ = false;
  std::vector<std::string> keyOpenings_;
  std::vector<OemInstall> oemInstalls_;
  WindowsVersion version_{5, 1, 2600};
  bool enforceSigning_ = false;
  UtcTime utcNow_{2026, 12, 9, 12, 0, 0};
  uint32_t randomState_ = 0x5EED;
  uint32_t randomError_ = 0;
  uint32_t privateDirectoryError_ = 0;
  std::set<std::string> privateDirectories_;  // host paths
  uint32_t signerError_ = 0;
  uint32_t signatureError_ = 0;
  uint32_t keyDestroyError_ = 0;
  uint32_t storeAddError_[2] = {0, 0};
  int liveKeys_ = 0;
  std::vector<Signer*> signers_;
  std::vector<Bytes> stores_[2];
  std::map<Bytes, std::string> friendlyNames_;
  std::set<std::string> infsInUse_;  // lower-case names
  uint32_t uninstallError_ = 0;
  bool uninstallLeavesInf_ = false;
  static std::string lowerName(const std::string& name);
};

}  // namespace lw
