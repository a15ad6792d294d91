// The wizard's three stages as the run sequence sees them: the Win32 pages.
#pragma once

#include <windows.h>

#include "app/run_sequence.h"

namespace lw {

class Win32WizardStages : public WizardStages {
 public:
  explicit Win32WizardStages(HINSTANCE moduleHandle) : moduleHandle_(moduleHandle) {}
  StepResult preInstall(InstallJob& job) override;
  StepResult installStep(InstallJob& job) override;
  StepResult finishPage(InstallJob& job) override;

 private:
  HINSTANCE moduleHandle_;
};

}  // namespace lw
