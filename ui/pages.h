// The wizard's three stages, each showing its modal pages.
#pragma once

#include <windows.h>

#include "app/install_job.h"

namespace lw {

// Welcome and INF-selection pages: 0 when the install is to go on.
int install_DoPreInstall(HINSTANCE moduleHandle, InstallJob& job);

// The progress page and its worker: 0, or 1 when the page could not run or
// the generic-device flags could not be written.
int runInstallStep(HINSTANCE moduleHandle, InstallJob& job);

// The finish page, until the user leaves it; always 0.
int showFinishPage(HINSTANCE moduleHandle, InstallJob& job);

}  // namespace lw
