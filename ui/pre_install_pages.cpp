// The Welcome and INF-selection pages; ui/pre_install_flow.cpp decides
// which one comes next.
#include <windows.h>

#include <cstdio>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "platform/platform.h"
#include "ui/dialog_helpers.h"
#include "ui/page_result.h"
#include "ui/pages.h"
#include "ui/pre_install_flow.h"
#include "ui/resource.h"

namespace lw {

namespace {

// Both pages' context during one install_DoPreInstall call.
struct PreInstallContext {
  HINSTANCE moduleHandle;
  InstallJob& job;
};

constexpr DWORD kBrowseBufferSize = 262;
constexpr char kErrorCaption[] = "Error";

int fieldId(int index) {
  return index == SyncUpdaterIndex ? IDC_SYNC_INF_PATH : IDC_STORAGE_INF_PATH;
}

class DialogPathFields : public InfPathFields {
 public:
  explicit DialogPathFields(HWND page) : page_(page) {}
  size_t textLength(int index) override {
    return static_cast<size_t>(SendDlgItemMessageA(page_, fieldId(index), WM_GETTEXTLENGTH, 0, 0));
  }
  void readText(int index, char* buffer, size_t size) override {
    SendDlgItemMessageA(page_, fieldId(index), WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer));
  }

 private:
  HWND page_;
};

// --- Welcome page -----------------------------------------------------------

BOOL initWelcome(HWND page, const PreInstallContext& context) {
  centerDialog(page);
  SetDlgItemTextA(page, IDC_BUILD_CODE, LW_BUILD_CODE);
  CheckDlgButton(page, IDC_GENERIC_DEVICE, BST_UNCHECKED);
  attachTooltip(context.moduleHandle, GetDlgItem(page, IDC_GENERIC_DEVICE), IDS_GENERIC_DEVICE_TIP,
                350);
  return TRUE;
}

// True when the installed ActiveSync is one the install can work with; the
// user is told otherwise.
bool confirmActiveSync(HWND page) {
  switch (probeActiveSync()) {
    case ActiveSyncGen::NotFound:
      MessageBoxA(page,
                  "No version of ActiveSync could be found on your computer.\n\n"
                  "Click OK to exit so that you may install ActiveSync.",
                  "ActiveSync Not Found!", MB_ICONERROR);
      return false;
    case ActiveSyncGen::Unsupported:
      MessageBoxA(page,
                  "Your machine contains an unsupported version of ActiveSync.\n\n"
                  "You must install ActiveSync 3.1 or later before running this\n"
                  "installation.\n",
                  "Unsupported ActiveSync Version!", MB_ICONERROR);
      return false;
    default:
      return true;
  }
}

void onWelcomeInstall(HWND page, InstallJob& job) {
  if (!confirmActiveSync(page)) {
    EndDialog(page, dialogResultOf(PageResult::Cancel));
    return;
  }
  job.setGenericDevice(IsDlgButtonChecked(page, IDC_GENERIC_DEVICE) == BST_CHECKED);
  EndDialog(page, dialogResultOf(PageResult::Next));
}

BOOL onWelcomeCommand(HWND page, PreInstallContext& context, int id) {
  switch (id) {
    case IDC_INSTALL:
      onWelcomeInstall(page, context.job);
      return TRUE;
    case IDC_CANCEL:
    case IDCANCEL:
      EndDialog(page, dialogResultOf(PageResult::Cancel));
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK welcomeProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      keepPageContext(page, lParam);
      return initWelcome(page, pageContext<PreInstallContext>(page));
    case WM_COMMAND:
      return onWelcomeCommand(page, pageContext<PreInstallContext>(page), LOWORD(wParam));
  }
  return FALSE;
}

// --- INF-selection page -----------------------------------------------------

BOOL initInfSelection(HWND page, InstallJob& job) {
  JobInfSources sources(job);
  const char* syncPath = sources.infPath(SyncUpdaterIndex);
  if (syncPath) SetDlgItemTextA(page, IDC_SYNC_INF_PATH, syncPath);
  const char* storagePath = sources.infPath(StorageUpdaterIndex);
  if (storagePath) SetDlgItemTextA(page, IDC_STORAGE_INF_PATH, storagePath);
  centerDialog(page);
  return TRUE;
}

void onInfBack(HWND page, InstallJob& job) {
  DialogPathFields fields(page);
  JobInfSources sources(job);
  EndDialog(page, dialogResultOf(leaveInfSelectionBack(fields, sources)));
}

// A field that fails validation is shown and the page stays.
void onInfInstall(HWND page, InstallJob& job) {
  DialogPathFields fields(page);
  JobInfSources sources(job);
  InfPathsResult stored = storeInfPaths(fields, sources);
  if (stored.validationMessage) {
    MessageBoxA(page, stored.validationMessage, kErrorCaption, MB_SETFOREGROUND | MB_ICONERROR);
    return;
  }
  EndDialog(page, dialogResultOf(stored.result == StepResult::StepOk ? PageResult::Next
                                                                     : PageResult::Error));
}

// Starts the file dialog from the updater's stored path, not from the text
// in the field; a chosen file goes into the field only.
void onBrowse(HWND page, InstallJob& job, int index) {
  PlatformBuffer path(kBrowseBufferSize);
  if (!path) {
    logText("ERROR: Could not allocate memory for new path.\r\n");
    return;
  }
  const char* current = JobInfSources(job).infPath(index);
  std::snprintf(path.get(), kBrowseBufferSize, "%s", current ? current : "");
  if (chooseInfFile(page, path.get(), kBrowseBufferSize) == StepResult::StepOk)
    SetDlgItemTextA(page, fieldId(index), path.get());
}

BOOL onInfCommand(HWND page, InstallJob& job, int id) {
  switch (id) {
    case IDC_CANCEL:
    case IDCANCEL:
      EndDialog(page, dialogResultOf(PageResult::Cancel));
      return TRUE;
    case IDC_BACK:
      onInfBack(page, job);
      return TRUE;
    case IDC_INSTALL:
      onInfInstall(page, job);
      return TRUE;
    case IDC_SYNC_INF_BROWSE:
      onBrowse(page, job, SyncUpdaterIndex);
      return TRUE;
    case IDC_STORAGE_INF_BROWSE:
      onBrowse(page, job, StorageUpdaterIndex);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK infSelectionProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      keepPageContext(page, lParam);
      return initInfSelection(page, pageContext<PreInstallContext>(page).job);
    case WM_COMMAND:
      return onInfCommand(page, pageContext<PreInstallContext>(page).job, LOWORD(wParam));
  }
  return FALSE;
}

// --- the loop's pages -------------------------------------------------------

class Win32PreInstallPages : public PreInstallPages {
 public:
  Win32PreInstallPages(HINSTANCE moduleHandle, InstallJob& job) : context_{moduleHandle, job} {}
  int showWelcome() override {
    return showPage(context_.moduleHandle, IDD_WELCOME, welcomeProc, &context_);
  }
  int showInfSelection() override {
    return showPage(context_.moduleHandle, IDD_INF_SELECTION, infSelectionProc, &context_);
  }
  int showInfNotFound(int index) override {
    const char* text = index == SyncUpdaterIndex
                           ? "The file 'wceusbsh.inf' was not found at the specified path.\n"
                             "Please check the location and try again.\n"
                           : "The file 'usbstor.inf' was not found at the specified path.\n"
                             "Please check the location and try again.\n";
    return MessageBoxA(nullptr, text, kErrorCaption, MB_OK);
  }

 private:
  PreInstallContext context_;
};

}  // namespace

StepResult install_DoPreInstall(HINSTANCE moduleHandle, InstallJob& job) {
  Win32PreInstallPages pages(moduleHandle, job);
  JobInfSources sources(job);
  return runPreInstall(pages, sources);
}

}  // namespace lw
