#include "hostcfg/generic_device_flags.h"

#include <string>
#include <vector>

#include "tests/support/logged_sim_test.h"

namespace lw {
namespace {

constexpr char kUsbFlags[] = "SYSTEM\\CurrentControlSet\\Control\\UsbFlags";
const std::vector<std::string> kSixNames = {"IgnoreHWSerNum5E2D0001", "IgnoreHWSerNum5E2D0004",
                                            "IgnoreHWSerNum5E2D0006", "IgnoreHWSerNum5E2D0008",
                                            "IgnoreHWSerNum5E2D000e", "IgnoreHWSerNum5E2D0010"};

using GenericDeviceFlagsTest = LoggedSimTest;

TEST_F(GenericDeviceFlagsTest, SetCreatesKeyWithExactlySixSingleByteValues) {
  EXPECT_TRUE(writeGenericDeviceFlags(true));
  EXPECT_EQ(sim.keyOpenings(),
            std::vector<std::string>{
                "create HKLM\\SYSTEM\\CurrentControlSet\\Control\\UsbFlags 0x20006"});
  // The names exactly as written: the registry ignores case, Windows' lookup
  // of these flags does not.
  EXPECT_EQ(sim.valueNames(RegRoot::LocalMachine, kUsbFlags), kSixNames);
  for (const std::string& name : kSixNames) {
    EXPECT_EQ(sim.valueType(RegRoot::LocalMachine, kUsbFlags, name), kRegBinary) << name;
    EXPECT_EQ(sim.valueData(RegRoot::LocalMachine, kUsbFlags, name), "\x01") << name;
  }
  // Setting again overwrites with the same data.
  EXPECT_TRUE(writeGenericDeviceFlags(true));
  EXPECT_EQ(sim.valueNames(RegRoot::LocalMachine, kUsbFlags).size(), 6u);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(GenericDeviceFlagsTest, ClearRemovesOnlyOurValues) {
  sim.putValue(RegRoot::LocalMachine, kUsbFlags, "IgnoreHWSerNum04110001", kRegBinary, "\x01");
  ASSERT_TRUE(writeGenericDeviceFlags(true));
  EXPECT_TRUE(writeGenericDeviceFlags(false));
  EXPECT_EQ(sim.valueNames(RegRoot::LocalMachine, kUsbFlags),
            std::vector<std::string>{"IgnoreHWSerNum04110001"});
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(GenericDeviceFlagsTest, ClearWithNothingThereStillSucceedsAndMakesTheKey) {
  EXPECT_TRUE(writeGenericDeviceFlags(false));
  EXPECT_TRUE(sim.keyExists(RegRoot::LocalMachine, kUsbFlags));
  EXPECT_TRUE(sim.valueNames(RegRoot::LocalMachine, kUsbFlags).empty());
  EXPECT_EQ(log(), "");
}

TEST_F(GenericDeviceFlagsTest, RefusedThirdWriteStopsAfterTwo) {
  sim.refuseValueWrite("IgnoreHWSerNum5E2D0006");
  EXPECT_FALSE(writeGenericDeviceFlags(true));
  EXPECT_EQ(sim.valueNames(RegRoot::LocalMachine, kUsbFlags),
            (std::vector<std::string>{"IgnoreHWSerNum5E2D0001", "IgnoreHWSerNum5E2D0004"}));
  EXPECT_EQ(log(), "ERROR: couldn't set registry value\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(GenericDeviceFlagsTest, KeyThatCannotBeOpenedChangesNothing) {
  sim.denyKey(RegRoot::LocalMachine, kUsbFlags);
  EXPECT_FALSE(writeGenericDeviceFlags(true));
  EXPECT_FALSE(writeGenericDeviceFlags(false));
  EXPECT_FALSE(sim.keyExists(RegRoot::LocalMachine, kUsbFlags));
  EXPECT_EQ(log(),
            "ERROR: couldn't create registry key\r\n"
            "ERROR: couldn't create registry key\r\n");
}

}  // namespace
}  // namespace lw
