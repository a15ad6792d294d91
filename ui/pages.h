// The wizard's three stages, each showing its modal pages.
#pragma once

#include <windows.h>

#include "app/install_job.h"
#include "app/step_result.h"

namespace lw {

// Welcome and INF-selection pages: StepOk when the install is to go on.
StepResult install_DoPreInstall(HINSTANCE moduleHandle, InstallJob& job);

// The progress page and its worker: StepFailed when the page could not run
// or the generic-device flags could not be written.
StepResult runInstallStep(HINSTANCE moduleHandle, InstallJob& job);

// The finish page, until the user leaves it; always StepOk.
StepResult showFinishPage(HINSTANCE moduleHandle, InstallJob& job);

}  // namespace lw
