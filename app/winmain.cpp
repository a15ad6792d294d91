// The Windows entry point: the only file of app/ that sees <windows.h>.
#include <windows.h>

#include "app/run_sequence.h"
#include "platform/win32/win32_platform.h"
#include "ui/wizard_stages.h"

namespace {

// Only System32 may supply DLLs, so nothing planted beside the exe (an
// installer is often run from a Downloads folder) is loaded. Looked up at run
// time: Windows 7 without its update lacks the function.
void restrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI WinMain(HINSTANCE moduleHandle, HINSTANCE, LPSTR, int) {
  restrictDllSearch();
  static lw::Win32Platform win32;
  lw::setPlatform(&win32);
  lw::Win32WizardStages stages(moduleHandle);
  return lw::runSequence(stages);
}
