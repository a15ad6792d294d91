// Test fixture: a fresh simulated Windows with the installation log open,
// so that tests can compare the exact bytes a step has logged.
#pragma once

#include <string>

#include "app/log.h"
#include "platform/sim/sim_test.h"

namespace lw {

class LoggedSimTest : public SimTest {
 protected:
  // The log's path is worked out here, so later allocations in a test are
  // the code's own (failAllocation counts them).
  LoggedSimTest() { openLog(); }
  ~LoggedSimTest() override { closeLog(); }
  std::string log() const { return sim.fileText("C:\\work\\LinkwrightLog.txt"); }
};

}  // namespace lw
