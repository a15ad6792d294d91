// The removal program's run: its banner in the installation log, what it
// found, the user's choice, the removal and its outcome, and the process
// exit code.
#pragma once

#include "removal/leftovers.h"

namespace lw {

// The page as the run sees it; the product's is a Win32 dialog.
class RemovalPage {
 public:
  virtual ~RemovalPage() = default;
  // Lists what was found with "Remove" and "Cancel": true for "Remove".
  virtual bool confirm(const Leftovers& found) = 0;
  // Says that nothing was found, with "Exit" alone.
  virtual void showNothingFound() = 0;
  // The outcome, with "View Log" and "Exit", until the user leaves.
  virtual void showOutcome(RemovalResult result) = 0;
};

enum class RemovalExit : int {
  Done = 0,     // everything found was removed, or nothing was found
  Stopped = 1,  // cancelled, or something could not be removed
};

RemovalExit runRemoval(RemovalPage& page);

}  // namespace lw
