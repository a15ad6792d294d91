// Loads the DLLs whose imports the program delays (cmake/delay_imports.cmake)
// from the system folder, never from the program's own: an installer is
// often started from a Downloads folder, where anyone may have put a DLL of
// the same name. The runtime's delay-load helper asks this hook before it
// loads a DLL itself, by name, with the standard search, which begins in the
// program's folder.
#include <windows.h>
#include <delayimp.h>

#include <cstring>

#include "platform/win32/kernel_function.h"

namespace {

// The DLLs a manifest redirects (common controls 6, in WinSxS) are found by
// name, before any folder is searched; a full path would bypass the
// manifest and load System32's older copy.
bool redirectedByManifest(const char* name) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  return FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name,
                                  &data) != FALSE;
}

// Windows without the LOAD_LIBRARY_SEARCH flags (XP, Vista and 7 without
// KB2533623): the DLL by its full System32 path, and with
// LOAD_WITH_ALTERED_SEARCH_PATH the search for its own dependencies begins
// there instead of in the program's folder.
HMODULE loadByFullSystemPath(const char* name) {
  char path[MAX_PATH];
  const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
  const size_t nameLength = std::strlen(name);
  if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  path[folderLength] = '\\';
  std::memcpy(path + folderLength + 1, name, nameLength + 1);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Where the flags exist, System32 alone is searched, for the DLL and its
// dependencies, and from then on for what it loads by name itself (advapi32
// its cryptographic provider's DLLs). The process's search is restricted
// here as well as in WinMain: the stack protector's set-up, a constructor,
// calls advapi32 before WinMain runs.
HMODULE loadSystemDll(const char* name) {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (auto restrictSearch =
          lw::kernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
    restrictSearch(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  if (redirectedByManifest(name)) return LoadLibraryExA(name, nullptr, 0);
  return loadByFullSystemPath(name);
}

FARPROC WINAPI beforeDelayLoad(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary) return nullptr;
  HMODULE module = loadSystemDll(info->szDll);
  if (!module) {
    // Returning null would make the helper try again by name, with the
    // search this hook avoids. Fail as the helper fails for a DLL it cannot
    // load, but for good: no handler may resume into that search.
    info->dwLastError = GetLastError();
    ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
    RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND),
                   EXCEPTION_NONCONTINUABLE, 1, &argument);
  }
  return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// Defined here, the runtime's own (null) definition is not linked in.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = beforeDelayLoad;
}
