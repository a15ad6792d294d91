// The 32-bit program's start-up as it runs on 64-bit Windows, built 64-bit
// so that 64-bit Wine can run it: the real hand-over with the answer "under
// WOW64" put in. Beside it in a scenario stands a Linkwright64.exe (or,
// given "removal", a LinkwrightRemove64.exe) of the scenario's choosing.
#include <windows.h>

#include <cstring>

#include "app/hand_over.h"
#include "app/run_sequence.h"
#include "platform/win32/win32_platform.h"
#include "removal/removal_run.h"
#include "ui/win32_hand_over.h"

namespace {

struct UnderWow64 : lw::Win32HandOverHost {
  bool underWow64() override { return true; }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  static lw::Win32Platform win32;
  lw::setPlatform(&win32);
  UnderWow64 host;
  int exitCode = 0;
  const bool removal = std::strcmp(commandLine, "removal") == 0;
  lw::handOverTo64Bit(host, removal ? lw::kRemovalProgram : lw::kWizardProgram, lw::kProgram64Pin,
                      &exitCode);
  return exitCode;
}
