#include "ui/wizard_stages.h"

#include "ui/pages.h"

namespace lw {

StepResult Win32WizardStages::preInstall(InstallJob& job) {
  return install_DoPreInstall(moduleHandle_, job);
}

StepResult Win32WizardStages::installStep(InstallJob& job) {
  return runInstallStep(moduleHandle_, job);
}

StepResult Win32WizardStages::finishPage(InstallJob& job) {
  return showFinishPage(moduleHandle_, job);
}

}  // namespace lw
