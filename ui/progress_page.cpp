// The "Please Wait" page and the install worker thread behind it;
// ui/install_sequence.cpp holds what the worker does and decides.
#include <windows.h>

#include "app/log.h"
#include "ui/dialog_helpers.h"
#include "ui/install_sequence.h"
#include "ui/page_result.h"
#include "ui/pages.h"
#include "ui/resource.h"

namespace lw {

namespace {

// The page's context, which the worker is given too. The worker alone uses
// the job between the start and the done message; it reads the page and
// the job, the page alone the worker's handle.
struct InstallStepContext {
  explicit InstallStepContext(InstallJob& j) : job(j) {}
  InstallJob& job;
  HWND page = nullptr;
  HANDLE worker = nullptr;
};

class WorkerInstallWork : public JobInstallWork {
 public:
  WorkerInstallWork(InstallJob& job, HWND page) : JobInstallWork(job), page_(page) {}
  // Owned by the page, which stays disabled while the question is up.
  bool continueAfterBackupFailure() override {
    return MessageBoxA(page_,
                       "An error occurred while the application was attempting\n"
                       "to backup your files.\n\nDo you wish to continue anyways?",
                       "Backup Unsuccessful!", MB_ICONWARNING | MB_YESNO) == IDYES;
  }
  void postDone() override { PostMessageA(page_, kMsgInstallDone, 0, 0); }

 private:
  HWND page_;
};

class Win32WorkerThread : public WorkerThread {
 public:
  explicit Win32WorkerThread(HANDLE thread) : thread_(thread) {}
  bool exitCode(uint32_t* code) override {
    DWORD value = kStillActive;
    if (!GetExitCodeThread(thread_, &value)) return false;
    *code = value;
    return true;
  }
  void pause() override { Sleep(100); }

 private:
  HANDLE thread_;
};

DWORD WINAPI installWorker(LPVOID parameter) {
  const InstallStepContext& context = *static_cast<const InstallStepContext*>(parameter);
  WorkerInstallWork work(context.job, context.page);
  return static_cast<DWORD>(runInstallSequence(context.job, work));
}

BOOL initProgress(HWND page, InstallStepContext& context) {
  context.page = page;
  centerDialog(page);
  // The worker starts once the page exists and is shown.
  PostMessageA(page, kMsgStartInstall, 0, 0);
  return TRUE;
}

BOOL startWorker(HWND page, InstallStepContext& context) {
  context.worker = CreateThread(nullptr, 0, installWorker, &context, 0, nullptr);
  if (!context.worker) {
    logText("ERROR: Could not spawn install thread.\r\n");
    EndDialog(page, dialogResultOf(PageResult::Error));
  }
  return TRUE;
}

BOOL collectWorker(HWND page, InstallStepContext& context) {
  Win32WorkerThread thread(context.worker);
  const PageResult result = awaitWorkerResult(thread);
  CloseHandle(context.worker);
  context.worker = nullptr;
  EndDialog(page, dialogResultOf(result));
  return TRUE;
}

// No WM_COMMAND is handled: Enter, Escape and Alt+F4 cannot end the page.
INT_PTR CALLBACK progressProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      keepPageContext(page, lParam);
      return initProgress(page, pageContext<InstallStepContext>(page));
    case kMsgStartInstall:
      return startWorker(page, pageContext<InstallStepContext>(page));
    case kMsgInstallDone:
      return collectWorker(page, pageContext<InstallStepContext>(page));
  }
  return FALSE;
}

}  // namespace

StepResult runInstallStep(HINSTANCE moduleHandle, InstallJob& job) {
  InstallStepContext context(job);
  int result = showPage(moduleHandle, IDD_PROGRESS, progressProc, &context);
  return completeInstallStep(result, job);
}

}  // namespace lw
