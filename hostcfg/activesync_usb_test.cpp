#include <cstring>
#include <string>
#include <vector>

#include "hostcfg/activesync.h"
#include "tests/support/logged_sim_test.h"

namespace lw {
namespace {

class ActiveSyncUsbTest : public LoggedSimTest {
 protected:
  void putAllowed(uint32_t bits) {
    sim.putDword(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed", bits);
  }
  uint32_t allowed() const {
    std::string data =
        sim.valueData(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed");
    uint32_t bits = 0;
    std::memcpy(&bits, data.data(), data.size() < 4 ? data.size() : 4);
    return bits;
  }
};

TEST_F(ActiveSyncUsbTest, UsbBitAlreadySetWritesNothing) {
  putAllowed(0xFFFFFFF8u);
  sim.refuseValueWrite("ConnectTypesAllowed");  // any write would fail the step
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbOk);
  EXPECT_EQ(allowed(), 0xFFFFFFF8u);
  EXPECT_EQ(log(), "ActiveSync allows USB connections.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncUsbTest, MissingBitIsSetKeepingTheOthers) {
  putAllowed(0x3);
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbOk);
  EXPECT_EQ(allowed(), 0xBu);
  EXPECT_EQ(sim.keyOpenings(), std::vector<std::string>{
                                   "open HKCU\\Software\\Microsoft\\Windows CE Services 0x2001F"});
  EXPECT_EQ(sim.valueType(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed"),
            kRegDword);
  EXPECT_EQ(log(),
            "ActiveSync is not configured to allow USB connections.\r\n"
            "Attempting to automatically re-configure ActiveSync to allow USB.\r\n"
            "Automatic configure successful!\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncUsbTest, RefusedWriteFailsTheStep) {
  putAllowed(0x1);
  sim.refuseValueWrite("ConnectTypesAllowed");
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbWriteFailed);
  EXPECT_EQ(allowed(), 0x1u);
  EXPECT_EQ(log(),
            "ActiveSync is not configured to allow USB connections.\r\n"
            "Attempting to automatically re-configure ActiveSync to allow USB.\r\n"
            "ERROR: Could not configure ActiveSync to allow USB connections.\r\n"
            "       User should manually enable USB in ActiveSync connection\r\n"
            "       settings.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncUsbTest, ValueOfAnotherTypeIsLeftAlone) {
  for (uint32_t type : {kRegSz, kRegBinary}) {
    sim.putValue(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed", type,
                 std::string("\x01\0", 2));
    EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbNotConfigurable);
    EXPECT_EQ(sim.valueType(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed"), type);
    EXPECT_EQ(sim.valueData(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed"),
              std::string("\x01\0", 2));
  }
  EXPECT_EQ(log(),
            "WARNING: Problem interpreting ActiveSync's allowed connect types.\r\n"
            "WARNING: Problem interpreting ActiveSync's allowed connect types.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncUsbTest, MissingOrOverlongValueIsNeitherCreatedNorChanged) {
  sim.putKey(RegRoot::CurrentUser, activeSyncKeyPath);
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbNotConfigurable);
  EXPECT_FALSE(sim.hasValue(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed"));
  sim.putValue(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed", kRegDword,
               std::string(8, '\0'));
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbNotConfigurable);
  EXPECT_EQ(sim.valueData(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed"),
            std::string(8, '\0'));
  EXPECT_EQ(log(),
            "WARNING: Could not locate ActiveSync's allowed connect types.\r\n"
            "WARNING: Could not locate ActiveSync's allowed connect types.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncUsbTest, MissingKeyIsAWarningOnlyAndNotCreated) {
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "ConnectTypesAllowed", 0);
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbNotConfigurable);
  EXPECT_FALSE(sim.keyExists(RegRoot::CurrentUser, activeSyncKeyPath));
  EXPECT_EQ(log(), "ERROR: Could not locate ActiveSync registry key\r\n");
}

TEST_F(ActiveSyncUsbTest, ShortDwordIsWrittenBackWhole) {
  // An empty DWORD written back at its own size would claim success and
  // still leave USB off.
  sim.putValue(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed", kRegDword, "");
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbOk);
  EXPECT_EQ(sim.valueData(RegRoot::CurrentUser, activeSyncKeyPath, "ConnectTypesAllowed"),
            std::string("\x08\0\0\0", 4));
}

}  // namespace
}  // namespace lw
