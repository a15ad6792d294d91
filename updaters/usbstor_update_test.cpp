#include "updaters/usbstor_update.h"

#include <string>

#include "tests/support/updater_test_support.h"

namespace lw {
namespace {

using UsbstorUpdateTest = UpdaterTest;

TEST_F(UsbstorUpdateTest, FixedPathsWhateverTheActiveSyncClass) {
  UsbstorUpdate updater;  // no ActiveSync at all
  EXPECT_STREQ(updater.driverName(), "usbstor");
  EXPECT_STREQ(updater.infPath(), "C:\\windows\\inf\\usbstor.inf");
  EXPECT_STREQ(updater.driverDirectory(), "C:\\windows\\system32\\drivers\\");
  EXPECT_STREQ(updater.driverFilePath(), "C:\\windows\\system32\\drivers\\usbstor.sys");
  EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterDriverMissing);
  EXPECT_EQ(log(),
            "ERROR: Could not locate ActiveSync\r\n"
            "Default path of usbstor inf file is [C:\\windows\\inf\\usbstor.inf].\r\n"
            "Backing up usbstor driver to "
            "[C:\\windows\\system32\\drivers\\abkBackup\\usbstor.sys].\r\n"
            "WARNING: Driver file does not exist for backup.\r\n");
}

TEST_F(UsbstorUpdateTest, WindowsDirectoryOf244IsAcceptedAnd245Refused) {
  sim.setDirectory(SimPlatform::Directory::Windows, "C:\\" + std::string(241, 'w'));
  UsbstorUpdate fits;
  ASSERT_NE(fits.defaultInfPath(), nullptr);
  EXPECT_EQ(std::string(fits.defaultInfPath()),
            "C:\\" + std::string(241, 'w') + "\\inf\\usbstor.inf");

  for (size_t length : {242u, 400u}) {  // 400 does not even fit the buffer
    sim.setDirectory(SimPlatform::Directory::Windows, "C:\\" + std::string(length, 'w'));
    UsbstorUpdate tooLong;
    EXPECT_EQ(tooLong.defaultInfPath(), nullptr);
    sim.setDirectory(SimPlatform::Directory::Windows, "C:\\windows");
    EXPECT_EQ(tooLong.defaultInfPath(), nullptr);  // final
  }
  EXPECT_EQ(log(),
            "ERROR: Could not locate ActiveSync\r\n"
            "ERROR: Default path for usbstor.inf is too long.\r\n"
            "ERROR: Default path for usbstor.inf is too long.\r\n");
}

TEST_F(UsbstorUpdateTest, SystemDirectoryOf251IsAcceptedAnd252Refused) {
  sim.setDirectory(SimPlatform::Directory::System, "C:\\" + std::string(248, 's'));
  UsbstorUpdate fits;
  ASSERT_NE(fits.driverDirectory(), nullptr);
  EXPECT_EQ(std::string(fits.driverDirectory()).size(), 260u);

  sim.setDirectory(SimPlatform::Directory::System, "C:\\" + std::string(249, 's'));
  UsbstorUpdate tooLong;
  EXPECT_EQ(tooLong.driverFilePath(), nullptr);
  sim.setDirectory(SimPlatform::Directory::System, "C:\\windows\\system32");
  EXPECT_EQ(tooLong.driverDirectory(), nullptr);  // not retried
  EXPECT_EQ(tooLong.driverFilePath(), nullptr);

  // A driver directory of 251 fits, its backup folder does not: only that
  // is logged.
  sim.setDirectory(SimPlatform::Directory::System, "C:\\" + std::string(239, 's'));
  UsbstorUpdate backupTooLong;
  EXPECT_EQ(backupTooLong.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(log(),
            "ERROR: Could not locate ActiveSync\r\n"
            "ERROR: Driver directory is too long.\r\n"
            "ERROR: Could not retrieve the driver directory.\r\n"
            "ERROR: Backup path is too long.\r\n");
}

TEST_F(UsbstorUpdateTest, QueryAndMemoryFailuresAreFinal) {
  sim.setDirectory(SimPlatform::Directory::Windows, "");
  sim.setDirectory(SimPlatform::Directory::System, "");
  UsbstorUpdate noDirectories;
  EXPECT_EQ(noDirectories.defaultInfPath(), nullptr);
  // The backup stops at its first failed step, logged once.
  EXPECT_EQ(noDirectories.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(noDirectories.driverDirectory(), nullptr);

  UsbstorUpdate noMemory;
  sim.failAllocation();
  EXPECT_EQ(noMemory.defaultInfPath(), nullptr);
  sim.failAllocation();
  EXPECT_EQ(noMemory.driverDirectory(), nullptr);
  sim.failAllocation();
  EXPECT_EQ(noMemory.driverFilePath(), nullptr);
  EXPECT_EQ(noMemory.driverFilePath(), nullptr);
  EXPECT_EQ(log(),
            "ERROR: Could not locate ActiveSync\r\n"
            "ERROR: Could not locate the Windows directory.\r\n"
            "ERROR: Could not retrieve the system path.\r\n"
            "ERROR: Could not retrieve the driver directory.\r\n"
            "ERROR: Could not allocate memory for .inf path buffer.\r\n"
            "ERROR: Could not allocate memory for driver directory.\r\n"
            "ERROR: Could not allocate memory for usbstor driver path.\r\n");
}

TEST_F(UsbstorUpdateTest, InstallsTheStorageTablePatchWithTheGen60Adjustment) {
  putVersion(6, 0);
  sim.putFile("C:\\windows\\inf\\usbstor.inf", kStockLikeInf);
  const std::string expected = enginePatched(VendorTableKind::Storage, true, kStockLikeInf);
  ASSERT_NE(expected, enginePatched(VendorTableKind::Storage, false, kStockLikeInf));
  probeActiveSync();
  UsbstorUpdate updater;
  EXPECT_EQ(updater.installInf(), StepResult::StepOk);
  ASSERT_EQ(sim.oemInstalls().size(), 1u);
  EXPECT_EQ(sim.fileText(sim.oemInstalls()[0].installedPath), expected);
  EXPECT_EQ(updater.patchInf(nullptr, nullptr, nullptr), PatchResult::PatchBadArgs);
  // Patching again gives the same bytes: the table is not used up.
  EXPECT_EQ(updater.patchInf("C:\\again.inf", "C:\\windows\\inf\\usbstor.inf", nullptr),
            PatchResult::PatchOk);
  EXPECT_EQ(sim.fileText("C:\\again.inf"), expected);
}

}  // namespace
}  // namespace lw
