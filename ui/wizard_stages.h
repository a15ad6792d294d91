// The wizard's three stages as the run sequence sees them: the Win32 pages.
#pragma once

#include <windows.h>

#include "app/run_sequence.h"

namespace lw {

class Win32WizardStages : public WizardStages {
 public:
  explicit Win32WizardStages(HINSTANCE moduleHandle) : moduleHandle_(moduleHandle) {}
  int preInstall(InstallJob& job) override;
  int installStep(InstallJob& job) override;
  int finishPage(InstallJob& job) override;

 private:
  HINSTANCE moduleHandle_;
};

}  // namespace lw
