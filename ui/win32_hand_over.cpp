#include "ui/win32_hand_over.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32/kernel_function.h"

namespace lw {

// IsWow64Process came with XP SP2; where it is absent, so is WOW64.
bool Win32HandOverHost::underWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = kernelFunction<IsWow64ProcessFn>("IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// The twin's full name in this program's own folder; never the current
// directory or the search path, where anyone may put a file of that name.
// A module path that does not fit in MAX_PATH is refused, not cut.
uint32_t Win32HandOverHost::pathBesideProgram(const char* file, char (&path)[kHandOverPathSize]) {
  static_assert(kHandOverPathSize == MAX_PATH, "the path is a Windows one");
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0) return GetLastError();
  if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  char* slash = std::strrchr(path, '\\');
  if (!slash) return ERROR_FILE_NOT_FOUND;
  const size_t folder = static_cast<size_t>(slash + 1 - path);
  const size_t size = std::strlen(file) + 1;
  if (folder + size > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  std::memcpy(slash + 1, file, size);
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

namespace {

// What the user is to do after each failure: the box's second paragraph.
std::string adviceFor(const HandOverProgram& program, HandOverFailure why) {
  const std::string twin = program.file64;
  const std::string again = std::string(" and start ") + program.file32 + " again.";
  switch (why) {
    case HandOverFailure::Missing:
      return twin +
             " could not be started. It must stand in the same folder as this program. Copy "
             "both files from the Linkwright package into one folder" +
             again;
    case HandOverFailure::NotOurs:
      return "The " + twin +
             " in the folder of this program is not the one that came with it, so it was not "
             "started. Copy both files from the same Linkwright package into one folder" +
             again;
    case HandOverFailure::PathTooLong:
      return "The path of this program's folder is too long for " + twin +
             " to be started from it. Move both files to a folder with a shorter path" + again;
    case HandOverFailure::NotElevated:
      return twin + " must run as administrator, and this program does not. Start " +
             program.file32 + " again and allow it to make changes to this computer.";
    case HandOverFailure::CannotStart:
      break;
  }
  return twin + " could not be started. LinkwrightLog.txt in the current folder tells why.";
}

}  // namespace

// Each box begins with what the program is and where it stands.
void Win32HandOverHost::showFailure(const HandOverProgram& program, HandOverFailure why) {
  const std::string text = std::string("This is the 32-bit ") + program.name +
                           " program, and this Windows is 64-bit: here it runs as its 64-bit "
                           "program, " +
                           program.file64 + ".\n\n" + adviceFor(program, why);
  MessageBoxA(nullptr, text.c_str(), program.name, MB_OK | MB_ICONERROR);
}

}  // namespace lw
