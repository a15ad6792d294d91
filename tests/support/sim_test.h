// Base fixture for native tests: a fresh simulated Windows per test, and
// the process's own state as a new run finds it.
#pragma once

#include <gtest/gtest.h>

#include "app/process_state.h"
#include "platform/sim/sim_platform.h"

namespace lw {

class SimTest : public ::testing::Test {
 protected:
  SimTest() { setPlatform(&sim); }
  // Whatever the test left (an open log, updaters, the ActiveSync class)
  // is released while its simulated Windows still exists.
  ~SimTest() override {
    resetProcessState();
    setPlatform(nullptr);
  }

  SimPlatform sim;
};

}  // namespace lw
