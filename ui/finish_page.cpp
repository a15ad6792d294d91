// The last page: the install's outcome and the way to the log.
#include <windows.h>

#include "ui/dialog_helpers.h"
#include "ui/page_result.h"
#include "ui/pages.h"
#include "ui/resource.h"

namespace lw {

namespace {

BOOL initFinish(HWND page, const InstallJob& job) {
  centerDialog(page);
  SetDlgItemTextA(page, IDC_RESULT_TEXT,
                  job.succeeded()
                      ? "\nInstallation Successful! \n\nYou can now connect your device to this "
                        "computer."
                      : "Installation Failed!");
  return TRUE;
}

BOOL onFinishCommand(HWND page, int id) {
  switch (id) {
    case IDCANCEL:
    case IDC_EXIT:
      EndDialog(page, dialogResultOf(PageResult::Exit));
      return TRUE;
    case IDC_VIEW_LOG:
      viewLog(page);
      return TRUE;
  }
  return FALSE;
}

// The page's context is the job, read only.
INT_PTR CALLBACK finishProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      keepPageContext(page, lParam);
      return initFinish(page, pageContext<const InstallJob>(page));
    case WM_COMMAND:
      return onFinishCommand(page, LOWORD(wParam));
  }
  return FALSE;
}

}  // namespace

StepResult showFinishPage(HINSTANCE moduleHandle, InstallJob& job) {
  showPage(moduleHandle, IDD_FINISH, finishProc, &job);
  return StepResult::StepOk;
}

}  // namespace lw
