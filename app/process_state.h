// What a process keeps from start to exit lives with its owner: the log's
// path and file in the log, the ActiveSync class with its probe, the job
// with the run sequence. Tests end each case as a new process would start.
#pragma once

namespace lw {

// Destroys the job's updaters and starts a new job, closes the log and
// forgets the ActiveSync class.
void resetProcessState();

}  // namespace lw
