// The last page: the install's outcome and the way to the log.
#include <windows.h>
#include <shellapi.h>

#include "app/log.h"
#include "ui/dialog_helpers.h"
#include "ui/page_result.h"
#include "ui/pages.h"
#include "ui/resource.h"

namespace lw {

namespace {

// ShellExecuteA's results up to this one are errors.
constexpr INT_PTR kShellExecuteLastError = 32;

constexpr char kLogErrorCaption[] = "Error Opening Log File";

void showLogError(HWND page, const char* text) {
  MessageBoxA(page, text, kLogErrorCaption, MB_SETFOREGROUND | MB_ICONERROR);
}

BOOL initFinish(HWND page, const InstallJob& job) {
  centerDialog(page);
  SetDlgItemTextA(page, IDC_RESULT_TEXT,
                  job.succeeded()
                      ? "\nInstallation Successful! \n\nYou can now connect your device to this "
                        "computer."
                      : "Installation Failed!");
  return TRUE;
}

// Opens the log in the program registered for its type; the page stays.
void viewLog(HWND page) {
  const char* path = logFilePath();
  if (!path) {
    showLogError(page, "Could not get the path of the log file.");
    return;
  }
  INT_PTR result =
      reinterpret_cast<INT_PTR>(ShellExecuteA(page, "open", path, nullptr, nullptr, SW_SHOWNORMAL));
  if (result > kShellExecuteLastError) return;
  showLogError(page, "Could not open the log file.");
  logText("ERROR: Could not open log file [");
  logNumber(static_cast<int32_t>(result));
  logText("].\r\n");
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
