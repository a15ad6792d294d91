#include "app/process_state.h"

#include "app/log.h"

namespace lw {

ProcessState& processState() {
  static ProcessState state;
  return state;
}

void resetProcessState() {
  ProcessState& state = processState();
  state.job.destroyUpdaters();
  closeLog();
  state = ProcessState();
}

}  // namespace lw
