#include "ui/dialog_helpers.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstddef>

#include "app/log.h"

namespace lw {

namespace {

// The record sizes Windows is handed: the tooltip record of comctl32 5.8
// and the open-file record of Windows NT 4, which every later version
// accepts. (TTTOOLINFOA_V2_SIZE and OPENFILENAME_SIZE_VERSION_400A give the
// same numbers, but not as constant expressions.)
constexpr UINT kToolInfoSize = offsetof(TOOLINFOA, lParam) + sizeof(LPARAM);
constexpr DWORD kOpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(kToolInfoSize == (sizeof(void*) == 8 ? 64 : 44), "tooltip record");
static_assert(kOpenFileNameSize == (sizeof(void*) == 8 ? 136 : 76), "open-file record");

// ShellExecuteA's results up to this one are errors.
constexpr INT_PTR kShellExecuteLastError = 32;

constexpr char kLogErrorCaption[] = "Error Opening Log File";

void showLogError(HWND page, const char* text) {
  MessageBoxA(page, text, kLogErrorCaption, MB_SETFOREGROUND | MB_ICONERROR);
}

}  // namespace

StepResult centerDialog(HWND page) {
  HWND reference = GetParent(page);
  if (!reference) reference = GetDesktopWindow();
  if (!reference) return StepResult::StepFailed;
  RECT outer{};
  RECT inner{};
  GetWindowRect(reference, &outer);
  GetWindowRect(page, &inner);
  // Signed halves, truncated toward zero: a page larger than its reference
  // starts before the reference's edge.
  int x = outer.left + ((outer.right - outer.left) - (inner.right - inner.left)) / 2;
  int y = outer.top + ((outer.bottom - outer.top) - (inner.bottom - inner.top)) / 2;
  SetWindowPos(page, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
  HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  SendMessageA(page, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(page, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  return StepResult::StepOk;
}

void attachTooltip(HINSTANCE module, HWND control, UINT stringId, int maxWidth) {
  char text[350] = "";
  LoadStringA(module, stringId, text, sizeof text);
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&classes);
  HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control,
                             nullptr, module, nullptr);
  if (!tip) return;
  SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT area{};
  GetClientRect(control, &area);
  if (maxWidth > 0) SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, maxWidth);
  // TTF_SUBCLASS: the tooltip watches the control's mouse messages itself.
  TOOLINFOA tool{};
  tool.cbSize = kToolInfoSize;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = control;
  tool.uId = 0;
  tool.rect = area;
  tool.hinst = module;
  tool.lpszText = text;
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

StepResult chooseInfFile(HWND owner, char* path, DWORD size) {
  // A string literal ends with its own NUL, so the list ends with two.
  static const char kFilter[] = "Device Install Scripts (*.INF)\0*.INF\0All Files (*)\0*\0";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = kOpenFileNameSize;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = size;
  dialog.lpstrTitle = "Select a File";
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = "inf";
  return GetOpenFileNameA(&dialog) ? StepResult::StepOk : StepResult::StepFailed;
}

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

int showPage(HINSTANCE module, int templateId, DLGPROC procedure, void* context) {
  return static_cast<int>(DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), nullptr, procedure,
                                          reinterpret_cast<LPARAM>(context)));
}

void keepPageContext(HWND page, LPARAM context) { SetWindowLongPtrA(page, DWLP_USER, context); }

}  // namespace lw
