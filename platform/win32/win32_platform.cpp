#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/kernel_function.h"

namespace lw {

namespace {

HANDLE handleOf(FileHandle file) { return static_cast<HANDLE>(file); }

FileHandle fileOf(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

HKEY rootKey(RegRoot root) {
  return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// A SID of the NT authority, freed with its owner.
class NtAuthoritySid {
 public:
  NtAuthoritySid(BYTE count, DWORD first, DWORD second = 0) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &sid_)) {
      sid_ = nullptr;
    }
  }
  ~NtAuthoritySid() {
    if (sid_) FreeSid(sid_);
  }
  NtAuthoritySid(const NtAuthoritySid&) = delete;
  NtAuthoritySid& operator=(const NtAuthoritySid&) = delete;
  PSID get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// Full control for each SID, inherited by files and folders made inside.
// DWORDs, as an ACL must be aligned to them.
bool buildPrivateAcl(PSID first, PSID second, std::vector<DWORD>* storage) {
  const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
  const DWORD size = sizeof(ACL) + 2 * aceBase + GetLengthSid(first) + GetLengthSid(second);
  storage->assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  PACL acl = reinterpret_cast<PACL>(storage->data());
  const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  return InitializeAcl(acl, size, ACL_REVISION) &&
         AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, first) &&
         AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, second);
}

// Whether the name now leads to the directory that was just made, not to a
// link or file someone put there since (they may delete children of a
// parent that lets them). On failure the last error says why.
bool isPlainDirectory(const char* path) {
  HANDLE dir = CreateFileA(
      path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool read = GetFileInformationByHandle(dir, &info) != FALSE;
  const DWORD error = GetLastError();
  CloseHandle(dir);
  if (!read) {
    SetLastError(error);
    return false;
  }
  const bool plain = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                     !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  if (!plain) SetLastError(ERROR_ALREADY_EXISTS);
  return plain;
}

}  // namespace

void* Win32Platform::allocate(size_t size) { return std::malloc(size ? size : 1); }

void Win32Platform::release(void* block) { std::free(block); }

uint32_t Win32Platform::lastError() { return GetLastError(); }

uint32_t Win32Platform::currentDirectory(char* buffer, uint32_t size) {
  return GetCurrentDirectoryA(size, buffer);
}

uint32_t Win32Platform::systemDirectory(char* buffer, uint32_t size) {
  return GetSystemDirectoryA(buffer, size);
}

uint32_t Win32Platform::windowsDirectory(char* buffer, uint32_t size) {
  return GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32Platform::tempDirectory(char* buffer, uint32_t size) {
  return GetTempPathA(size, buffer);
}

uint32_t Win32Platform::tempFileName(const char* directory, const char* prefix, uint32_t unique,
                                     char* out) {
  return GetTempFileNameA(directory, prefix, unique, out);
}

bool Win32Platform::copyFile(const char* from, const char* to, bool failIfExists) {
  return CopyFileA(from, to, failIfExists) != FALSE;
}

bool Win32Platform::moveFileReplacing(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32Platform::deleteFile(const char* path) { return DeleteFileA(path) != FALSE; }

bool Win32Platform::createDirectory(const char* path) {
  return CreateDirectoryA(path, nullptr) != FALSE;
}

uint32_t Win32Platform::fileAttributes(const char* path) { return GetFileAttributesA(path); }

bool Win32Platform::listFiles(const char* folder, std::vector<std::string>* names) {
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  names->clear();
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names->push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  SetLastError(error);
  return error == ERROR_NO_MORE_FILES;
}

FileHandle Win32Platform::openRead(const char* path) {
  return fileOf(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
}

FileHandle Win32Platform::openWrite(const char* path) {
  return fileOf(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle Win32Platform::openAppend(const char* path) {
  return fileOf(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                            nullptr));
}

FileHandle Win32Platform::openAppendThrough(const char* path) {
  return fileOf(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle Win32Platform::openReadLocked(const char* path) {
  return fileOf(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The tag is the first field of the reparse data (REPARSE_GUID_DATA_BUFFER).
// FSCTL_GET_REPARSE_POINT works on a handle of any access and on every
// Windows from 2000 on; the buffer holds the largest data there can be.
bool Win32Platform::identifyFile(FileHandle file, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handleOf(file), &info)) return false;
  identity->volume = info.dwVolumeSerialNumber;
  identity->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity->links = info.nNumberOfLinks;
  identity->reparseTag = 0;
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  void* data = LocalAlloc(LMEM_FIXED, MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  if (!data) return false;
  DWORD got = 0;
  const bool read = DeviceIoControl(handleOf(file), FSCTL_GET_REPARSE_POINT, nullptr, 0, data,
                                    MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &got, nullptr) &&
                    got >= sizeof(DWORD);
  if (read) std::memcpy(&identity->reparseTag, data, sizeof(DWORD));
  LocalFree(data);
  return read;
}

size_t Win32Platform::readFile(FileHandle file, void* buffer, size_t size) {
  DWORD got = 0;
  if (!ReadFile(handleOf(file), buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
  return got;
}

bool Win32Platform::writeFile(FileHandle file, const void* data, size_t size) {
  DWORD put = 0;
  return WriteFile(handleOf(file), data, static_cast<DWORD>(size), &put, nullptr) && put == size;
}

bool Win32Platform::seekFile(FileHandle file, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handleOf(file), to, nullptr, FILE_BEGIN) != FALSE;
}

uint64_t Win32Platform::fileSize(FileHandle file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handleOf(file), &size)) return UINT64_MAX;
  return static_cast<uint64_t>(size.QuadPart);
}

bool Win32Platform::closeFile(FileHandle file) { return CloseHandle(handleOf(file)) != FALSE; }

long Win32Platform::openKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) {
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExA(rootKey(root), subKey, 0, access, &opened);
  *key = result == ERROR_SUCCESS ? opened : nullptr;
  return result;
}

long Win32Platform::createKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) {
  HKEY opened = nullptr;
  LONG result = RegCreateKeyExA(rootKey(root), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                nullptr, &opened, nullptr);
  *key = result == ERROR_SUCCESS ? opened : nullptr;
  return result;
}

long Win32Platform::queryValue(RegKey key, const char* name, uint32_t* type, void* data,
                               uint32_t* size) {
  DWORD t = 0;
  DWORD s = size ? *size : 0;
  LONG result = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &t,
                                 static_cast<BYTE*>(data), size ? &s : nullptr);
  if (type) *type = t;
  if (size) *size = s;
  return result;
}

long Win32Platform::setValue(RegKey key, const char* name, uint32_t type, const void* data,
                             uint32_t size) {
  return RegSetValueExA(static_cast<HKEY>(key), name, 0, type, static_cast<const BYTE*>(data),
                        size);
}

long Win32Platform::deleteValue(RegKey key, const char* name) {
  return RegDeleteValueA(static_cast<HKEY>(key), name);
}

long Win32Platform::closeKey(RegKey key) { return RegCloseKey(static_cast<HKEY>(key)); }

bool Win32Platform::copyOemInf(const char* sourceInf, const char* mediaLocation, uint32_t mediaType,
                               uint32_t copyStyle, char* destName, uint32_t destSize) {
  return SetupCopyOEMInfA(sourceInf, mediaLocation, mediaType, copyStyle, destName, destSize,
                          nullptr, nullptr) != FALSE;
}

static_assert(kSuoiForceDelete == SUOI_FORCEDELETE, "Setup's flag");

bool Win32Platform::uninstallOemInf(const char* infName, uint32_t flags) {
  return SetupUninstallOEMInfA(infName, flags, nullptr) != FALSE;
}

int Win32Platform::wideToAnsi(const uint16_t* units, int count, char* out, int outSize) {
  return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(units), count, out,
                             outSize, nullptr, nullptr);
}

char* Win32Platform::systemMessage(uint32_t code) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, 0x400, reinterpret_cast<char*>(&text), 0, nullptr);
  return length ? text : nullptr;
}

void Win32Platform::freeSystemMessage(char* text) { LocalFree(text); }

bool Win32Platform::localTime(std::tm* out) {
  std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (!local) return false;
  *out = *local;
  return true;
}

UtcTime Win32Platform::utcNow() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  UtcTime utc;
  utc.year = now.wYear;
  utc.month = now.wMonth;
  utc.day = now.wDay;
  utc.hour = now.wHour;
  utc.minute = now.wMinute;
  utc.second = now.wSecond;
  return utc;
}

WindowsVersion Win32Platform::windowsVersion() {
  // The kernel's own answer: GetVersionEx is shimmed for programs without
  // a manifest naming the newer Windows.
  using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  constexpr LONG kStatusSuccess = 0;
  auto getVersion = systemFunction<RtlGetVersionFn>("ntdll.dll", "RtlGetVersion");
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!getVersion || getVersion(&info) != kStatusSuccess) return WindowsVersion{};
  WindowsVersion version;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  return version;
}

bool Win32Platform::createPrivateDirectory(const char* path) {
  NtAuthoritySid administrators(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
  NtAuthoritySid system(1, SECURITY_LOCAL_SYSTEM_RID);
  if (!administrators.get() || !system.get()) return false;
  std::vector<DWORD> acl;
  if (!buildPrivateAcl(administrators.get(), system.get(), &acl)) return false;
  SECURITY_DESCRIPTOR descriptor;
  // Protected: nothing of the parent's DACL is inherited.
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorOwner(&descriptor, administrators.get(), FALSE) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE) ||
      !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  if (!CreateDirectoryA(path, &attributes)) return false;
  if (isPlainDirectory(path)) return true;
  const DWORD error = GetLastError();
  // Only an empty directory or a link itself goes; what a link points to stays.
  RemoveDirectoryA(path);
  SetLastError(error);
  return false;
}

bool Win32Platform::removeDirectory(const char* path) { return RemoveDirectoryA(path) != FALSE; }

}  // namespace lw
