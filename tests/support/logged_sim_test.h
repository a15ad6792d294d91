// Test fixture: a fresh simulated Windows with the installation log open,
// so that tests can compare the exact bytes a step has logged.
#pragma once

#include <string>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "tests/support/sim_test.h"

namespace lw {

class LoggedSimTest : public SimTest {
 protected:
  // The log's path is worked out here, so later allocations in a test are
  // the code's own (failAllocation counts them).
  LoggedSimTest() { openLog(); }
  ~LoggedSimTest() override { closeLog(); }
  std::string log() const { return sim.fileText("C:\\work\\LinkwrightLog.txt"); }

  // Where a test puts ActiveSync's machine values: its key, or, after
  // useThe32BitView(), that key's 32-bit view on a 64-bit Windows, where a
  // 32-bit ActiveSync writes them.
  std::string activeSyncKey = activeSyncKeyPath;
  void useThe32BitView() {
    sim.setRegistryViews(true);
    activeSyncKey = "Software\\Wow6432Node\\Microsoft\\Windows CE Services";
  }
};

}  // namespace lw
