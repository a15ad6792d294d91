#include "platform/sim/sim_platform.h"
#include "tools/infpatch_platform.h"

namespace lw {

void installToolPlatform() {
  static SimPlatform sim;
  // Paths on the command line are the host's, relative to where it runs.
  sim.setCurrentDirectoryForPaths("");
  setPlatform(&sim);
}

}  // namespace lw
