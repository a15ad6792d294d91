// The result most of the program's operations give. Operations with more
// outcomes name their own (UpdaterStatus, PatchResult, UsbSettingResult,
// PageResult, the worker's and the process's exit codes).
#pragma once

namespace lw {

enum class StepResult : int {
  StepOk = 0,
  StepFailed = 1,
};

}  // namespace lw
