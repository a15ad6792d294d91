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

// What the page procedure and the worker reach during one runInstallStep.
// The worker alone uses the job between the start and the done message.
struct InstallStepState {
  HINSTANCE moduleHandle = nullptr;
  InstallJob* job = nullptr;
  HANDLE worker = nullptr;
};
InstallStepState state;

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
  WorkerInstallWork work(*state.job, static_cast<HWND>(parameter));
  return static_cast<DWORD>(runInstallSequence(*state.job, work));
}

BOOL initProgress(HWND page) {
  centerDialog(page);
  // The worker starts once the page exists and is shown.
  PostMessageA(page, kMsgStartInstall, 0, 0);
  return TRUE;
}

BOOL startWorker(HWND page) {
  state.worker = CreateThread(nullptr, 0, installWorker, page, 0, nullptr);
  if (!state.worker) {
    logText("ERROR: Could not spawn install thread.\r\n");
    EndDialog(page, Error);
  }
  return TRUE;
}

BOOL collectWorker(HWND page) {
  Win32WorkerThread thread(state.worker);
  int result = awaitWorkerResult(thread);
  CloseHandle(state.worker);
  state.worker = nullptr;
  EndDialog(page, result);
  return TRUE;
}

// No WM_COMMAND is handled: Enter, Escape and Alt+F4 cannot end the page.
INT_PTR CALLBACK progressProc(HWND page, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return initProgress(page);
    case kMsgStartInstall:
      return startWorker(page);
    case kMsgInstallDone:
      return collectWorker(page);
  }
  return FALSE;
}

}  // namespace

StepResult runInstallStep(HINSTANCE moduleHandle, InstallJob& job) {
  state.moduleHandle = moduleHandle;
  state.job = &job;
  int result = showPage(moduleHandle, IDD_PROGRESS, progressProc);
  return completeInstallStep(result, job);
}

}  // namespace lw
