#include "ui/wizard_stages.h"

namespace lw {

// The pages are not built yet: each stage lets the run pass.
int Win32WizardStages::preInstall(InstallJob&) { return 0; }
int Win32WizardStages::installStep(InstallJob&) { return 0; }
int Win32WizardStages::finishPage(InstallJob&) { return 0; }

}  // namespace lw
