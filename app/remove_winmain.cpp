// The removal program's Windows entry point.
#include <windows.h>

#include "removal/removal_run.h"
#include "ui/program_start.h"
#include "ui/removal_page.h"

int WINAPI WinMain(HINSTANCE moduleHandle, HINSTANCE, LPSTR, int) {
  int exitCode = static_cast<int>(lw::RemovalExit::Stopped);
  if (lw::runElsewhere(lw::kRemovalProgram, &exitCode)) return exitCode;
  lw::Win32RemovalPage page(moduleHandle);
  return static_cast<int>(lw::runRemoval(page));
}
