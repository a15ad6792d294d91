#include "ui/win32_hand_over.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/kernel_function.h"
#include "app/version.h"

namespace lw {

// IsWow64Process came with XP SP2; where it is absent, so is WOW64.
bool Win32HandOverHost::underWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = kernelFunction<IsWow64ProcessFn>("IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// The 64-bit program's full name in this program's own folder; never the
// current directory or the search path, where anyone may put a file of that
// name. A module path that does not fit in MAX_PATH is refused, not cut.
uint32_t Win32HandOverHost::program64Path(char (&path)[kHandOverPathSize]) {
  static_assert(kHandOverPathSize == MAX_PATH, "the path is a Windows one");
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0) return GetLastError();
  if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  char* slash = std::strrchr(path, '\\');
  if (!slash) return ERROR_FILE_NOT_FOUND;
  const size_t folder = static_cast<size_t>(slash + 1 - path);
  if (folder + sizeof LW_PROGRAM64_FILE > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  std::memcpy(slash + 1, LW_PROGRAM64_FILE, sizeof LW_PROGRAM64_FILE);
  return ERROR_SUCCESS;
}

ChildRun Win32HandOverHost::run(const char* path, uint32_t* exitCode, uint32_t* error) {
  // The command line is the quoted program name alone: no arguments.
  char commandLine[MAX_PATH + 2] = "\"";
  std::strcat(commandLine, path);
  std::strcat(commandLine, "\"");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &child)) {
    *error = GetLastError();
    return ChildRun::NotStarted;
  }
  CloseHandle(child.hThread);
  DWORD code = 0;
  const bool ended = WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(child.hProcess, &code);
  if (!ended) *error = GetLastError();
  CloseHandle(child.hProcess);
  *exitCode = code;
  return ended ? ChildRun::Ended : ChildRun::NotAwaited;
}

// Each box begins with what the program is and where it stands.
#define LW_HAND_OVER_INTRO                                                                   \
  "This is the 32-bit Linkwright program, and this Windows is 64-bit: here Linkwright runs " \
  "as its 64-bit program, " LW_PROGRAM64_FILE ".\n\n"

void Win32HandOverHost::showFailure(HandOverFailure why) {
  const char* text = nullptr;
  switch (why) {
    case HandOverFailure::Missing:
      text = LW_HAND_OVER_INTRO LW_PROGRAM64_FILE
          " could not be started. It must stand in the same folder as this program. Copy both "
          "files from the Linkwright package into one folder and start " LW_PROGRAM32_FILE
          " again.";
      break;
    case HandOverFailure::NotOurs:
      text = LW_HAND_OVER_INTRO
          "The " LW_PROGRAM64_FILE
          " in the folder of this program is not the one that came with it, so it was not "
          "started. Copy both files from the same Linkwright package into one folder and "
          "start " LW_PROGRAM32_FILE " again.";
      break;
    case HandOverFailure::PathTooLong:
      text =
          LW_HAND_OVER_INTRO "The path of this program's folder is too long for " LW_PROGRAM64_FILE
                             " to be started from it. Move both files to a folder with a shorter "
                             "path and start " LW_PROGRAM32_FILE " again.";
      break;
    case HandOverFailure::NotElevated:
      text = LW_HAND_OVER_INTRO LW_PROGRAM64_FILE
          " must run as administrator, and this program does not. Start " LW_PROGRAM32_FILE
          " again and allow it to make changes to this computer.";
      break;
    case HandOverFailure::CannotStart:
      text = LW_HAND_OVER_INTRO LW_PROGRAM64_FILE
          " could not be started. LinkwrightLog.txt in the current folder tells why.";
      break;
  }
  MessageBoxA(nullptr, text, "Linkwright", MB_OK | MB_ICONERROR);
}

#undef LW_HAND_OVER_INTRO

}  // namespace lw
