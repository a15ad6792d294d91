// The values with which a wizard page ends (EndDialog, DialogBoxParamA).
// Whoever shows a page treats any result of 1 or below as Error: 0 and -1
// are what the dialog manager returns when a page cannot be created.
#pragma once

#include <cstdint>

namespace lw {

enum class PageResult : int {
  Error = 1,
  InstallOk = 2,      // the install worker exited with 1
  InstallFailed = 3,  // the install worker exited with 0
  Cancel = 4,
  Back = 5,
  Next = 6,
  Exit = 8,
};

// A page's result from what the dialog manager returned: 1 or below is
// Error.
constexpr PageResult pageResultOf(int dialogResult) {
  return dialogResult <= static_cast<int>(PageResult::Error)
             ? PageResult::Error
             : static_cast<PageResult>(dialogResult);
}

// What a page hands EndDialog.
constexpr int dialogResultOf(PageResult result) { return static_cast<int>(result); }

// The progress page's private messages (WM_USER + 10 and + 11), posted
// with zero parameters.
constexpr unsigned kMsgStartInstall = 0x400 + 10;
constexpr unsigned kMsgInstallDone = 0x400 + 11;

// What a thread's exit-code query gives while the thread still runs.
constexpr uint32_t kStillActive = 259;

}  // namespace lw
