#include "updaters/wceusbsh_update.h"

#include <string>

#include "tests/support/updater_test_support.h"

namespace lw {
namespace {

// Each test runs in a process of its own: the probe's cache and the sync
// driver's name start afresh.
using WceusbshUpdateTest = UpdaterTest;

constexpr char kGen31Probe[] = "ActiveSync major version is 3\r\nActiveSync minor version is 5\r\n";
constexpr char kGen36Probe[] = "ActiveSync major version is 4\r\nActiveSync minor version is 5\r\n";

TEST_F(WceusbshUpdateTest, Gen31LooksUnderTheSystemDirectory) {
  putVersion(3, 5);
  WceusbshUpdate updater;
  EXPECT_STREQ(updater.driverName(), "wceusbsh");
  EXPECT_STREQ(updater.infPath(), "C:\\windows\\system32\\inf\\wceusbsh.inf");
  EXPECT_STREQ(updater.driverDirectory(), "C:\\windows\\system32\\drivers\\");
  EXPECT_STREQ(updater.driverFilePath(), "C:\\windows\\system32\\drivers\\wceusbsh.sys");
  EXPECT_EQ(log(), std::string(kGen31Probe) +
                       "Wceusb path ...C:\\windows\\system32\\inf\\wceusbsh.inf\r\n"
                       "Default path of wceusbsh inf file is "
                       "[C:\\windows\\system32\\inf\\wceusbsh.inf].\r\n");
}

TEST_F(WceusbshUpdateTest, Gen36UsesInstalledDirReadAnewForEachPath) {
  putVersion(4, 5);
  putInstalledDir(kRegSz, std::string("C:\\Program Files\\ActiveSync\0", 28));
  WceusbshUpdate updater;
  const int reads = sim.registryReads();
  EXPECT_STREQ(updater.defaultInfPath(), "C:\\Program Files\\ActiveSync\\drivers\\wceusbsh.inf");
  const int readsForOnePath = sim.registryReads() - reads;
  EXPECT_STREQ(updater.driverDirectory(), "C:\\Program Files\\ActiveSync\\drivers\\");
  EXPECT_EQ(sim.registryReads() - reads, 2 * readsForOnePath);
  EXPECT_STREQ(updater.driverFilePath(), "C:\\Program Files\\ActiveSync\\drivers\\wceusbsh.sys");
  EXPECT_STREQ(updater.defaultInfPath(), "C:\\Program Files\\ActiveSync\\drivers\\wceusbsh.inf");
  EXPECT_EQ(sim.registryReads() - reads, 2 * readsForOnePath);
  EXPECT_EQ(sim.openKeys(), 0);
}

// A 32-bit ActiveSync on 64-bit Windows: its folder from the 32-bit view.
TEST_F(WceusbshUpdateTest, InstalledDirOfA32BitActiveSyncComesFromThe32BitView) {
  useThe32BitView();
  putVersion(4, 5);
  putInstalledDir(kRegSz, "C:\\AS32");
  WceusbshUpdate updater;
  EXPECT_STREQ(updater.defaultInfPath(), "C:\\AS32\\drivers\\wceusbsh.inf");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(WceusbshUpdateTest, InstalledDirIsTakenAsStoredEvenWithoutNul) {
  putVersion(4, 5);
  putInstalledDir(kRegSz, "C:\\AS\\");  // trailing backslash, no terminating NUL
  WceusbshUpdate updater;
  EXPECT_STREQ(updater.defaultInfPath(), "C:\\AS\\\\drivers\\wceusbsh.inf");
  EXPECT_STREQ(updater.driverDirectory(), "C:\\AS\\\\drivers\\");
}

TEST_F(WceusbshUpdateTest, InstalledDirOfWrongTypeOrSizeIsRefused) {
  putVersion(4, 5);
  WceusbshUpdate updater;
  putInstalledDir(kRegExpandSz, std::string("C:\\AS\0", 6));
  EXPECT_FALSE(updater.syncBaseDirectory());
  // 262 bytes without a NUL would have to be cut short: refused.
  putInstalledDir(kRegSz, "C:\\" + std::string(259, 'a'));
  EXPECT_FALSE(updater.syncBaseDirectory());
  putInstalledDir(kRegSz, "C:\\" + std::string(300, 'a') + '\0');
  EXPECT_FALSE(updater.syncBaseDirectory());
  // 261 characters and the NUL fill the buffer exactly and are read.
  putInstalledDir(kRegSz, "C:\\" + std::string(258, 'a') + '\0');
  PlatformBuffer base = updater.syncBaseDirectory();
  ASSERT_TRUE(base);
  EXPECT_EQ(std::string(base.get()), "C:\\" + std::string(258, 'a'));
  EXPECT_EQ(log(), std::string(kGen36Probe) +
                       "ERROR: Could not locate ActiveSync's install path.\r\n"
                       "ERROR: Could not copy ActiveSync's install path.\r\n"
                       "ERROR: Could not copy ActiveSync's install path.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(WceusbshUpdateTest, Gen36FailuresAreLoggedOncePerPathAsked) {
  putVersion(5, 0);
  WceusbshUpdate updater;  // no InstalledDir
  EXPECT_EQ(updater.infPath(), nullptr);
  EXPECT_EQ(updater.driverDirectory(), nullptr);
  EXPECT_EQ(updater.driverDirectory(), nullptr);
  EXPECT_EQ(updater.defaultInfPath(), nullptr);
  EXPECT_EQ(log(),
            "ActiveSync major version is 5\r\nActiveSync minor version is 0\r\n"
            "ERROR: Could not locate ActiveSync's install path.\r\n"
            "ERROR: Could not locate ActiveSync's install path.\r\n");
}

TEST_F(WceusbshUpdateTest, GoingOnAfterABackupWithoutInstalledDir) {
  putVersion(4, 5);
  sim.putFile("D:\\wceusbsh.inf", kStockLikeInf);
  WceusbshUpdate updater;
  ASSERT_EQ(updater.setInfPath("D:\\wceusbsh.inf"), StepResult::StepOk);
  EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(updater.installInf(), StepResult::StepOk);
  ASSERT_EQ(sim.oemInstalls().size(), 1u);
  EXPECT_EQ(sim.oemInstalls()[0].mediaLocation, "(null)");
  EXPECT_EQ(log(), std::string(kGen36Probe) +
                       "ERROR: Could not locate ActiveSync's install path.\r\n"
                       "ERROR: Could not retrieve the driver directory.\r\n"
                       "Path of temporary wceusbsh inf file is "
                       "[C:\\users\\test\\Temp\\abk1A2B.tmp].\r\n"
                       "Creating a copy of wceusbsh inf file.\r\n"
                       "Created wceusbsh oemxx.inf file [C:\\windows\\inf\\oem0.inf].\r\n");
}

TEST_F(WceusbshUpdateTest, Gen36KeyAndMemoryFailures) {
  putVersion(4, 5);
  putInstalledDir(kRegSz, "C:\\AS");
  WceusbshUpdate updater;
  sim.failAllocation();
  EXPECT_FALSE(updater.syncBaseDirectory());
  sim.denyKey(RegRoot::LocalMachine, activeSyncKeyPath);
  EXPECT_FALSE(updater.syncBaseDirectory());
  EXPECT_EQ(log(), std::string(kGen36Probe) +
                       "ERROR: Could not allocate memory for wceusbsh.inf path.\r\n"
                       "ERROR: Could not locate ActiveSync.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(WceusbshUpdateTest, Gen60IsWinusbUnderTheWindowsDirectory) {
  putVersion(6, 1);
  sim.putFile("C:\\windows\\system32\\drivers\\winusb.sys", "winusb driver");
  WceusbshUpdate updater;
  EXPECT_STREQ(updater.driverName(), "winusb");
  EXPECT_STREQ(updater.infPath(), "C:\\windows\\inf\\wceusbsh.inf");
  EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterOk);
  EXPECT_EQ(sim.fileText("C:\\windows\\system32\\drivers\\abkBackup\\winusb.sys"), "winusb driver");
  EXPECT_EQ(log(),
            "ActiveSync major version is 6\r\nActiveSync minor version is 1\r\n"
            "Wceusb path ...C:\\windows\\inf\\wceusbsh.inf\r\n"
            "Default path of winusb inf file is [C:\\windows\\inf\\wceusbsh.inf].\r\n"
            "Backing up winusb driver to "
            "[C:\\windows\\system32\\drivers\\abkBackup\\winusb.sys].\r\n");
}

TEST_F(WceusbshUpdateTest, PathOf260CharactersIsAcceptedAndOneMoreRefused) {
  putVersion(3, 1);
  // 243 + "\inf\wceusbsh.inf" (17) = 260; 251 + "\drivers\" (9) = 260.
  sim.setDirectory(SimPlatform::Directory::System, "C:\\" + std::string(240, 's'));
  WceusbshUpdate fits;
  ASSERT_NE(fits.defaultInfPath(), nullptr);
  EXPECT_EQ(std::string(fits.defaultInfPath()).size(), 260u);
  sim.setDirectory(SimPlatform::Directory::System, "C:\\" + std::string(248, 's'));
  ASSERT_NE(fits.driverDirectory(), nullptr);
  EXPECT_EQ(std::string(fits.driverDirectory()).size(), 260u);
  // The driver file no longer fits.
  EXPECT_EQ(fits.driverFilePath(), nullptr);

  sim.setDirectory(SimPlatform::Directory::System, "C:\\" + std::string(249, 's'));
  WceusbshUpdate tooLong;
  EXPECT_EQ(tooLong.defaultInfPath(), nullptr);
  EXPECT_EQ(tooLong.defaultInfPath(), nullptr);
  // A too-long driver directory is worked out, and logged, again each time.
  EXPECT_EQ(tooLong.driverDirectory(), nullptr);
  EXPECT_EQ(tooLong.driverDirectory(), nullptr);
  const std::string text = log();
  EXPECT_EQ(text.substr(text.find("\r\nERROR")),
            "\r\nERROR: Driver path length is too long.\r\n"
            "ERROR:Default path for wceusbsh.inf path length is too long.\r\n"
            "ERROR:Driver directory path length is too long.\r\n"
            "ERROR:Driver directory path length is too long.\r\n");
}

TEST_F(WceusbshUpdateTest, DirectoryQueryFailuresAndMemory) {
  putVersion(6, 0);
  sim.setDirectory(SimPlatform::Directory::Windows, "");
  WceusbshUpdate updater;
  EXPECT_EQ(updater.defaultInfPath(), nullptr);
  EXPECT_EQ(updater.driverFilePath(), nullptr);  // its directory fails, remembered
  EXPECT_EQ(updater.driverDirectory(), nullptr);
  // An answer too long for the buffer was never written: a failure too.
  sim.setDirectory(SimPlatform::Directory::Windows, "C:\\" + std::string(300, 'w'));
  EXPECT_FALSE(updater.syncBaseDirectory());
  sim.failAllocation();
  EXPECT_FALSE(updater.syncBaseDirectory());
  EXPECT_EQ(log(),
            "ActiveSync major version is 6\r\nActiveSync minor version is 0\r\n"
            "ERROR: Could not retrieve the system path.\r\n"
            "ERROR: Could not retrieve the system path.\r\n"
            "ERROR: Could not retrieve the driver directory.\r\n"
            "ERROR: Could not retrieve the system path.\r\n"
            "ERROR: Could not allocate memory for driver directory.\r\n");
}

TEST_F(WceusbshUpdateTest, DriverPathWithoutMemoryNamesWceusbshEvenForWinusb) {
  putVersion(6, 0);
  WceusbshUpdate updater;
  sim.failAllocation();
  EXPECT_EQ(updater.driverFilePath(), nullptr);
  EXPECT_EQ(updater.driverFilePath(), nullptr);
  EXPECT_EQ(log(),
            "ActiveSync major version is 6\r\nActiveSync minor version is 0\r\n"
            "ERROR: Could not allocate memory for wceusbsh driver path.\r\n");
}

TEST_F(WceusbshUpdateTest, WithoutActiveSyncThereAreNoPaths) {
  WceusbshUpdate updater;
  EXPECT_EQ(updater.defaultInfPath(), nullptr);
  EXPECT_EQ(updater.driverDirectory(), nullptr);
  EXPECT_EQ(updater.defaultInfPath(), nullptr);
  EXPECT_EQ(log(),
            "ERROR: Could not locate ActiveSync\r\n"
            "ERROR:Could not determine ActiveSync version.\r\n");
  EXPECT_EQ(updater.patchInf(nullptr, "C:\\x.inf", nullptr), PatchResult::PatchBadArgs);
  EXPECT_EQ(updater.patchInf("C:\\x.inf", nullptr, nullptr), PatchResult::PatchBadArgs);
}

TEST_F(WceusbshUpdateTest, InstallsTheSyncTablePatchUnderGen60) {
  putVersion(6, 0);
  sim.putFile("C:\\windows\\inf\\wceusbsh.inf", kStockLikeInf);
  const std::string expected = enginePatched(VendorTableKind::Sync, true, kStockLikeInf);
  {
    WceusbshUpdate updater;
    EXPECT_EQ(updater.installInf(), StepResult::StepOk);
    ASSERT_EQ(sim.oemInstalls().size(), 1u);
    EXPECT_EQ(sim.oemInstalls()[0].mediaLocation, "C:\\windows\\system32\\drivers\\");
    EXPECT_EQ(sim.fileText(sim.oemInstalls()[0].installedPath), expected);
    EXPECT_EQ(updater.patchInf("C:\\again.inf", "C:\\windows\\inf\\wceusbsh.inf", nullptr),
              PatchResult::PatchOk);
    EXPECT_EQ(sim.fileText("C:\\again.inf"), expected);
  }
  EXPECT_NE(expected, kStockLikeInf);
  EXPECT_EQ(sim.fileText("C:\\windows\\inf\\wceusbsh.inf"), kStockLikeInf);
  EXPECT_TRUE(sim.listDirectory("C:\\users\\test\\Temp").empty());
}

}  // namespace
}  // namespace lw
