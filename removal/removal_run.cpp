#include "removal/removal_run.h"

#include "app/log.h"
#include "app/run_sequence.h"

namespace lw {

RemovalExit runRemoval(RemovalPage& page) {
  openLog();
  writeBannerOf("Beginning Tarvel Brannock Linkwright Removal\r\n");
  const Leftovers found = findLeftovers();
  RemovalExit exit = RemovalExit::Done;
  if (found.empty()) {
    page.showNothingFound();
  } else if (!page.confirm(found)) {
    logText("Removal cancelled.\r\n");
    exit = RemovalExit::Stopped;
  } else {
    const RemovalResult result = removeLeftovers(found);
    logText(result == RemovalResult::Removed ? "Removal complete.\r\n"
                                             : "Removal aborted / failed.\r\n");
    // The log is complete before the page offers to show it.
    page.showOutcome(result);
    if (result != RemovalResult::Removed) exit = RemovalExit::Stopped;
  }
  closeLog();
  return exit;
}

}  // namespace lw
