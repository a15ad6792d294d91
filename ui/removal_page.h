// The removal program's one page: what was found, the removal and its
// outcome, or that nothing was found.
#pragma once

#include <windows.h>

#include "removal/removal_run.h"

namespace lw {

class Win32RemovalPage : public RemovalPage {
 public:
  explicit Win32RemovalPage(HINSTANCE moduleHandle) : moduleHandle_(moduleHandle) {}
  void offer(const Leftovers& found, const std::function<RemovalResult()>& remove) override;
  void showNothingFound() override;
  void showOutcome(RemovalResult result) override;

 private:
  HINSTANCE moduleHandle_;
};

}  // namespace lw
