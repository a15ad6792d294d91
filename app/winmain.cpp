// The wizard's Windows entry point: with the removal program's, the only
// files of app/ that see <windows.h>.
#include <windows.h>

#include "app/run_sequence.h"
#include "ui/program_start.h"
#include "ui/wizard_stages.h"

int WINAPI WinMain(HINSTANCE moduleHandle, HINSTANCE, LPSTR, int) {
  int exitCode = static_cast<int>(lw::ExitCode::ExitStopped);
  if (lw::runElsewhere(lw::kWizardProgram, &exitCode)) return exitCode;
  lw::Win32WizardStages stages(moduleHandle);
  return static_cast<int>(lw::runSequence(stages));
}
