#include "app/process_state.h"

#include "app/log.h"
#include "app/run_sequence.h"
#include "hostcfg/activesync.h"

namespace lw {

void resetProcessState() {
  processJob().destroyUpdaters();
  processJob() = InstallJob();
  closeLog();
  forgetActiveSyncProbe();
}

}  // namespace lw
