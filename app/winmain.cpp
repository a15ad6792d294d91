// The Windows entry point: the only file of app/ that sees <windows.h>.
#include <windows.h>

#include "app/hand_over.h"
#include "app/run_sequence.h"
#include "platform/win32/kernel_function.h"
#include "ui/win32_hand_over.h"
#include "platform/win32/win32_platform.h"
#include "ui/wizard_stages.h"

namespace {

// Only System32 may supply DLLs, so nothing planted beside the exe (an
// installer is often run from a Downloads folder) is loaded. Windows before
// 8 without its update lacks SetDefaultDllDirectories: there at least the
// current directory leaves the search path (SetDllDirectoryA, XP SP1).
void restrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (auto set = lw::kernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
    set(LOAD_LIBRARY_SEARCH_SYSTEM32);
  } else if (auto setDirectory = lw::kernelFunction<SetDllDirectoryFn>("SetDllDirectoryA")) {
    setDirectory("");
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE moduleHandle, HINSTANCE, LPSTR, int) {
  restrictDllSearch();
  static lw::Win32Platform win32;
  lw::setPlatform(&win32);
#ifndef _WIN64
  lw::Win32HandOverHost handOver;
  int exitCode = static_cast<int>(lw::ExitCode::ExitStopped);
  if (lw::handOverTo64Bit(handOver, lw::kProgram64Pin, &exitCode) == lw::HandOver::HandedOver) {
    return exitCode;
  }
#endif
  lw::Win32WizardStages stages(moduleHandle);
  return static_cast<int>(lw::runSequence(stages));
}
