#include "ui/wizard_stages.h"

#include "ui/pages.h"

namespace lw {

int Win32WizardStages::preInstall(InstallJob& job) {
  return install_DoPreInstall(moduleHandle_, job);
}

int Win32WizardStages::installStep(InstallJob& job) { return runInstallStep(moduleHandle_, job); }

int Win32WizardStages::finishPage(InstallJob& job) { return showFinishPage(moduleHandle_, job); }

}  // namespace lw
