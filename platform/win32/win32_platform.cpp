#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <setupapi.h>

#include <cstdlib>

namespace lw {

namespace {

HANDLE handleOf(FileHandle file) { return static_cast<HANDLE>(file); }

FileHandle fileOf(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

HKEY rootKey(RegRoot root) {
  return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
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

FileHandle Win32Platform::openReadLocked(const char* path) {
  return fileOf(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool Win32Platform::isLinked(FileHandle file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handleOf(file), &info)) return true;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1;
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

}  // namespace lw
