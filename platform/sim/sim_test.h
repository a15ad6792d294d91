// Base fixture for native tests: a fresh simulated Windows per test.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim/sim_platform.h"

namespace lw {

class SimTest : public ::testing::Test {
 protected:
  SimTest() { setPlatform(&sim); }
  ~SimTest() override { setPlatform(nullptr); }

  SimPlatform sim;
};

}  // namespace lw
