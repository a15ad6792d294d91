// The narrow view of Windows that the portable code has. Results, sizes and
// error numbers keep their Windows meaning in every implementation, so the
// decisions and log lines of the program are the same on both builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "signing/bytes.h"
#include "signing/digest.h"

namespace lw {

// Windows error numbers the portable code branches on or that tests name.
enum : uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorNotEnoughMemory = 8,
  kErrorSharingViolation = 32,
  kErrorFileExists = 80,
  kErrorDirNotEmpty = 145,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorFilenameExcedRange = 206,
  kErrorInsufficientBuffer = 122,
  kErrorAlreadyExists = 183,
  kErrorMoreData = 234,
  kErrorElevationRequired = 740,
  kErrorNoUnicodeTranslation = 1113,
};

constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr uint32_t kFileAttributeDirectory = 0x10;

// Registry value types and access masks, as Windows numbers them.
enum : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
};
enum : uint32_t {
  kKeyQueryValue = 0x0001,
  kKeySetValue = 0x0002,
  kKeyCreateSubKey = 0x0004,
  // The 32-bit view of 64-bit Windows' HKEY_LOCAL_MACHINE\Software, for a
  // 64-bit program; 32-bit Windows, with one view, ignores it.
  kKeyWow64_32Key = 0x0200,
  kKeyRead = 0x20019,
  kKeyWrite = 0x20006,
};

enum class RegRoot { LocalMachine, CurrentUser };

constexpr uint32_t kSpostPath = 1;  // SetupCopyOEMInfA media type

using FileHandle = void*;    // null: no file
using RegKey = void*;        // null: no key
using SignerHandle = void*;  // null: no signer

// The version the kernel reports (RtlGetVersion), which no compatibility
// setting changes: 5.1 XP, 5.2 XP x64 and Server 2003, 6.0 Vista, 6.1 7,
// 6.2 8, 6.3 8.1, 10.0 10 and 11.
struct WindowsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
};

// A reparse point whose tag has this bit stands for another name: a
// symbolic link, a junction or a mount point (IsReparseTagNameSurrogate).
// Other tags, those of a cloud-synced or deduplicated file, mark the file
// itself, shown through a filter.
constexpr uint32_t kReparseTagNameSurrogate = 0x20000000;

// What an open file is (GetFileInformationByHandle, and the reparse tag).
struct FileIdentity {
  uint32_t volume = 0;
  uint64_t index = 0;
  uint32_t links = 0;       // its names (hard links)
  uint32_t reparseTag = 0;  // 0: not a reparse point
};

// The local machine's certificate stores the program adds to.
enum class CertStore { Root, TrustedPublisher };

// The store's system name, "Root" or "TrustedPublisher", as Windows and the
// log name it.
const char* certStoreName(CertStore store);

// A certificate as a store holds it.
struct StoreCertificate {
  Bytes der;
  std::string friendlyName;  // in the ANSI code page; empty when it has none
};

constexpr uint32_t kSuoiForceDelete = 0x1;  // SetupUninstallOEMInfA's flag

class Platform {
 public:
  virtual ~Platform() = default;

  // Memory for the program's fixed-size buffers; null when there is none.
  virtual void* allocate(size_t size) = 0;
  virtual void release(void* block) = 0;

  // The error number of the last failed call on this thread.
  virtual uint32_t lastError() = 0;

  // Directory queries with GetXxxA semantics: the length copied (without
  // the NUL); the size needed (with the NUL) when the buffer is too small;
  // 0 on failure.
  virtual uint32_t currentDirectory(char* buffer, uint32_t size) = 0;
  virtual uint32_t systemDirectory(char* buffer, uint32_t size) = 0;
  virtual uint32_t windowsDirectory(char* buffer, uint32_t size) = 0;
  virtual uint32_t tempDirectory(char* buffer, uint32_t size) = 0;

  // GetTempFileNameA: with unique 0 a new empty file "<prefix>XXXX.tmp" is
  // created in the directory. Returns the number used, 0 on failure.
  virtual uint32_t tempFileName(const char* directory, const char* prefix, uint32_t unique,
                                char* out /* 260 bytes */) = 0;

  virtual bool copyFile(const char* from, const char* to, bool failIfExists) = 0;
  // MoveFileExA with MOVEFILE_REPLACE_EXISTING: `from` takes the place of
  // `to` in one step, so `to` is never seen half written.
  virtual bool moveFileReplacing(const char* from, const char* to) = 0;
  virtual bool deleteFile(const char* path) = 0;
  virtual bool createDirectory(const char* path) = 0;
  virtual uint32_t fileAttributes(const char* path) = 0;
  // The names of the files (not folders) in a folder, as FindFirstFileA
  // lists them; false when the folder cannot be listed.
  virtual bool listFiles(const char* folder, std::vector<std::string>* names) = 0;

  // Byte files. openRead shares reading and writing with others and needs
  // the file to exist; openWrite creates or empties the file; openAppend
  // opens or creates it for appending only, sharing reading and writing,
  // and opens a symbolic link or junction itself, never what it points to.
  virtual FileHandle openRead(const char* path) = 0;
  virtual FileHandle openWrite(const char* path) = 0;
  virtual FileHandle openAppend(const char* path) = 0;
  // Opens an existing file for appending as other programs see it: through
  // a reparse point's filter, following a link.
  virtual FileHandle openAppendThrough(const char* path) = 0;
  // Opens an existing file for reading and, while the handle is open, keeps
  // anyone from writing, renaming or deleting it (others may only read):
  // what was read through it is what the file holds until it is closed. A
  // folder does not open; a symbolic link or junction is opened itself.
  virtual FileHandle openReadLocked(const char* path) = 0;
  virtual bool identifyFile(FileHandle file, FileIdentity* identity) = 0;
  // Bytes read, 0 at the end or on failure.
  virtual size_t readFile(FileHandle file, void* buffer, size_t size) = 0;
  // True when every byte was written.
  virtual bool writeFile(FileHandle file, const void* data, size_t size) = 0;
  virtual bool seekFile(FileHandle file, uint64_t offset) = 0;
  // Size in bytes, or UINT64_MAX when unknown.
  virtual uint64_t fileSize(FileHandle file) = 0;
  // False when data could not be written out (a full disk, say).
  virtual bool closeFile(FileHandle file) = 0;

  // Registry, with the RegXxxA results (0 or a Windows error number).
  // queryValue follows RegQueryValueExA: a null data asks for type and size
  // only; a buffer too small gives kErrorMoreData and the size needed.
  virtual long openKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) = 0;
  virtual long createKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) = 0;
  virtual long queryValue(RegKey key, const char* name, uint32_t* type, void* data,
                          uint32_t* size) = 0;
  virtual long setValue(RegKey key, const char* name, uint32_t type, const void* data,
                        uint32_t size) = 0;
  virtual long deleteValue(RegKey key, const char* name) = 0;
  virtual long closeKey(RegKey key) = 0;

  // SetupCopyOEMInfA; on failure lastError holds the Setup API's number.
  virtual bool copyOemInf(const char* sourceInf, const char* mediaLocation, uint32_t mediaType,
                          uint32_t copyStyle, char* destName, uint32_t destSize) = 0;

  // SetupUninstallOEMInfA: an OEM INF of the Windows INF folder, named
  // without its folder, with its PNF and the catalog it was installed with.
  virtual bool uninstallOemInf(const char* infName, uint32_t flags) = 0;

  // WideCharToMultiByte(CP_ACP, 0, ...): bytes written (counting the NUL
  // when count is -1), 0 on failure, including a result that does not fit.
  virtual int wideToAnsi(const uint16_t* units, int count, char* out, int outSize) = 0;

  // FormatMessageA(0x1300, ..., language 0x400): the system's text for an
  // error number, to be given back to freeSystemMessage; null when none.
  virtual char* systemMessage(uint32_t code) = 0;
  virtual void freeSystemMessage(char* text) = 0;

  // The local time now; false when it cannot be had.
  virtual bool localTime(std::tm* out) = 0;
  // The time now in UTC (GetSystemTime).
  virtual UtcTime utcNow() = 0;

  virtual WindowsVersion windowsVersion() = 0;
  // Bytes from the system's cryptographic generator.
  virtual bool randomBytes(void* out, size_t size) = 0;

  // CreateDirectoryA with a protected DACL that grants full control to
  // Administrators and SYSTEM alone, inherited by what is made inside, and
  // Administrators as owner. A name that exists, a link included, fails
  // with kErrorAlreadyExists: nothing is reused.
  virtual bool createPrivateDirectory(const char* path) = 0;
  // RemoveDirectoryA: an empty directory, or a link itself.
  virtual bool removeDirectory(const char* path) = 0;

  // A signing identity for one run: an RSA key that lives only in this
  // process (never written to a key container) and a self-signed
  // certificate for code signing whose subject is the one common name
  // `subject` (the text alone, without "CN="; commas and quotes in it stay
  // part of it) and whose friendly name is that text, valid from
  // `notBefore` to `notAfter`. Null on failure, with lastError set.
  virtual SignerHandle createSigner(const char* subject, const UtcTime& notBefore,
                                    const UtcTime& notAfter) = 0;
  // The certificate's DER; it stays readable after destroySignerKey.
  virtual bool signerCertificate(SignerHandle signer, Bytes* der) = 0;
  // The PKCS #1 v1.5 signature over the digest of `data`, big-endian.
  virtual bool signWithSigner(SignerHandle signer, HashAlgorithm algorithm, const Bytes& data,
                              Bytes* signature) = 0;
  // Destroys the private key for good; true when it is gone.
  virtual bool destroySignerKey(SignerHandle signer) = 0;
  // Releases what is left of the signer (the key too, if still there).
  virtual void closeSigner(SignerHandle signer) = 0;
  // Adds the signer's certificate, with its friendly name, to a store of
  // the local machine, creating the store when it does not exist yet.
  virtual bool addSignerCertificate(SignerHandle signer, CertStore store) = 0;
  // Takes the signer's certificate out of that store again.
  virtual bool removeSignerCertificate(SignerHandle signer, CertStore store) = 0;
  // Every certificate of a store of the local machine, which is not
  // created when it does not exist (it then has none).
  virtual bool storeCertificates(CertStore store, std::vector<StoreCertificate>* certificates) = 0;
  // Deletes the certificate with these bytes from that store.
  virtual bool deleteStoreCertificate(CertStore store, const Bytes& der) = 0;
};

// True when the open file is a reparse point of any kind or has more than
// one name, or when that cannot be told.
bool isLinked(FileHandle file);

// Appends what the open file holds from where it stands until a read gives
// nothing (its end, or a failure).
void readToEnd(FileHandle file, Bytes* out);

// The one seam: the active implementation, installed at start.
Platform& platform();
void setPlatform(Platform* active);

// A buffer from the platform's allocator, released when its owner goes.
class PlatformBuffer {
 public:
  PlatformBuffer() = default;  // no buffer
  explicit PlatformBuffer(size_t size) : data_(static_cast<char*>(platform().allocate(size))) {}
  ~PlatformBuffer() { reset(); }
  PlatformBuffer(const PlatformBuffer&) = delete;
  PlatformBuffer& operator=(const PlatformBuffer&) = delete;
  PlatformBuffer(PlatformBuffer&& other) noexcept : data_(other.take()) {}
  PlatformBuffer& operator=(PlatformBuffer&& other) noexcept {
    if (this != &other) {
      reset();
      data_ = other.take();
    }
    return *this;
  }
  char* get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  // Hands ownership to the caller.
  char* take() {
    char* d = data_;
    data_ = nullptr;
    return d;
  }
  // Releases the buffer now; the owner holds none afterwards.
  void reset() {
    if (data_) platform().release(take());
  }

 private:
  char* data_ = nullptr;
};

}  // namespace lw
