// The removal program's run: its banner in the installation log, what it
// found, the user's choice, the removal and its outcome, and the process
// exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/hand_over.h"
#include "removal/leftovers.h"

namespace lw {

// The page as the run sees it; the product's is a Win32 dialog.
class RemovalPage {
 public:
  virtual ~RemovalPage() = default;
  // Lists what was found with "Remove" and "Cancel" until the user leaves.
  // On "Remove" the page stays up while `remove` runs (off the page's own
  // thread), then shows its outcome with "View Log" and "Exit".
  virtual void offer(const Leftovers& found, const std::function<RemovalResult()>& remove) = 0;
  // Says that nothing was found, with "Exit" alone.
  virtual void showNothingFound() = 0;
  // The outcome alone, with "View Log" and "Exit": for a search that failed
  // and found nothing.
  virtual void showOutcome(RemovalResult result) = 0;
};

enum class RemovalExit : int {
  Done = 0,     // everything found was removed, or nothing was found
  Stopped = 1,  // cancelled, or something could not be looked for or removed
};

// The page's list: one line for each thing found, as the user knows it.
std::vector<std::string> listLines(const Leftovers& found);

// The removal program as its hand-over names it.
extern const HandOverProgram kRemovalProgram;

RemovalExit runRemoval(RemovalPage& page);

}  // namespace lw
