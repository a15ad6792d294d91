#include "platform/win32/dll_search.h"

#include <windows.h>

#include "platform/win32/kernel_function.h"

namespace lw {

void restrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (auto set = kernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
    set(LOAD_LIBRARY_SEARCH_SYSTEM32);
  } else if (auto setDirectory = kernelFunction<SetDllDirectoryFn>("SetDllDirectoryA")) {
    setDirectory("");
  }
}

}  // namespace lw
