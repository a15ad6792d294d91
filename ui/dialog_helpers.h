// Helpers shared by the wizard pages.
#pragma once

#include <windows.h>

#include "app/step_result.h"

namespace lw {

// Centres the page on its parent (the desktop when it has none) and gives
// it the stock application icon. StepFailed when there was no window to
// centre on.
StepResult centerDialog(HWND page);

// Gives the control a tooltip with the string `stringId` of the module,
// wrapped at `maxWidth` pixels when that is above 0. Failures leave the
// control without a tooltip.
void attachTooltip(HINSTANCE module, HWND control, UINT stringId, int maxWidth);

// Runs the open-file dialog for INF files, starting from the path in
// `path`. StepOk when a file was chosen (its full path is then in `path`);
// StepFailed when the user cancelled or the dialog failed, and `path` is not
// to be used.
StepResult chooseInfFile(HWND owner, char* path, DWORD size);

// Opens the log in the program registered for its type; the page stays.
// A failure is shown in a box and logged.
void viewLog(HWND page);

// Shows a modal page from the module's template, with no owner window.
// `context` is the page's own state: its procedure keeps it at
// WM_INITDIALOG (keepPageContext) and reads it back with pageContext.
int showPage(HINSTANCE module, int templateId, DLGPROC procedure, void* context);

// At WM_INITDIALOG: keeps showPage's context, the message's lParam, in the
// page's DWLP_USER.
void keepPageContext(HWND page, LPARAM context);

template <typename Context>
Context& pageContext(HWND page) {
  return *reinterpret_cast<Context*>(GetWindowLongPtrA(page, DWLP_USER));
}

}  // namespace lw
