#include "platform/sim/sim_platform.h"

#include <cstring>

#include "app/process_state.h"
#include "tests/support/platform_contract.h"
#include "tests/support/sim_test.h"

namespace lw {
namespace {

struct SimEnvironment {
  SimEnvironment() { setPlatform(&sim); }
  ~SimEnvironment() {
    resetProcessState();
    setPlatform(nullptr);
  }
  Platform& platform() { return sim; }
  std::string folder() { return "C:\\work\\"; }
  SimPlatform sim;
};
INSTANTIATE_TYPED_TEST_SUITE_P(Simulated, PlatformContract, SimEnvironment);

// The rest is the simulation's own: its sandbox and its faults.
using SimPlatformTest = SimTest;

TEST_F(SimPlatformTest, DrivePathsLiveInTheSandboxCaseBlind) {
  sim.putFile("C:\\Windows\\INF\\Usbstor.inf", "x");
  EXPECT_TRUE(sim.fileExists("c:\\windows\\inf\\usbstor.inf"));
  EXPECT_EQ(sim.hostPath("/tmp/host.inf"), "/tmp/host.inf");
  EXPECT_EQ(sim.hostPath("rel.inf"), sim.hostPath("C:\\work\\rel.inf"));
  sim.setCurrentDirectoryForPaths("");
  EXPECT_EQ(sim.hostPath("rel.inf"), "rel.inf");
}

TEST_F(SimPlatformTest, DirectoryAnswersCanBeSetOrFail) {
  char buffer[32];
  EXPECT_EQ(sim.windowsDirectory(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\windows");
  sim.setDirectory(SimPlatform::Directory::System, "", kErrorAccessDenied);
  EXPECT_EQ(sim.systemDirectory(buffer, sizeof buffer), 0u);
  EXPECT_EQ(sim.lastError(), kErrorAccessDenied);
}

TEST_F(SimPlatformTest, TempFileNamesWithoutTheFoldersBackslash) {
  char first[260];
  ASSERT_NE(sim.tempFileName("C:\\users\\test\\Temp", "abk", 0, first), 0u);
  EXPECT_EQ(std::strncmp(first, "C:\\users\\test\\Temp\\abk", 22), 0);
  EXPECT_EQ(sim.tempFileName("C:\\missing", "abk", 0, first), 0u);
  EXPECT_EQ(sim.lastError(), kErrorPathNotFound);
}

TEST_F(SimPlatformTest, CopiesAndTheirFaults) {
  sim.putFile("C:\\a.sys", "driver");
  EXPECT_TRUE(sim.copyFile("C:\\a.sys", "C:\\work\\b.sys", false));
  EXPECT_EQ(sim.fileText("C:\\work\\b.sys"), "driver");
  EXPECT_FALSE(sim.copyFile("C:\\a.sys", "C:\\nodir\\b.sys", false));
  EXPECT_EQ(sim.lastError(), kErrorPathNotFound);
  sim.failNextCopy(kErrorAccessDenied);
  EXPECT_FALSE(sim.copyFile("C:\\a.sys", "C:\\work\\b.sys", false));
  EXPECT_EQ(sim.lastError(), kErrorAccessDenied);
  EXPECT_TRUE(sim.copyFile("C:\\a.sys", "C:\\work\\b.sys", false));
}

// The hold covers the file under any of its names.
TEST_F(SimPlatformTest, ALockedFileIsHeldUnderItsSecondNameToo) {
  const char path[] = "C:\\work\\held.inf";
  sim.putFile(path, "bytes");
  sim.makeHardLink("C:\\work\\second.inf", path);
  FileHandle held = sim.openReadLocked(path);
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(sim.isLocked("C:\\work\\second.inf"));
  EXPECT_EQ(sim.openWrite("C:\\work\\second.inf"), nullptr);
  EXPECT_EQ(sim.lastError(), kErrorSharingViolation);
  sim.closeFile(held);
  EXPECT_FALSE(sim.isLocked("C:\\work\\second.inf"));
}

TEST_F(SimPlatformTest, SeededValuesAreReadAndKeysCounted) {
  sim.putValue(RegRoot::LocalMachine, "Software\\K", "Dir", kRegSz, std::string("C:\\x\0", 5));
  RegKey key = nullptr;
  ASSERT_EQ(sim.openKey(RegRoot::LocalMachine, "SOFTWARE\\k", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(sim.openKeys(), 1);
  char dir[8];
  uint32_t type = 0;
  uint32_t size = sizeof dir;
  EXPECT_EQ(sim.queryValue(key, "dir", &type, dir, &size), kErrorSuccess);
  EXPECT_EQ(std::string(dir, size), std::string("C:\\x\0", 5));
  EXPECT_EQ(sim.closeKey(key), kErrorSuccess);
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(SimPlatformTest, OemInstallCopiesIntoTheInfStoreOrFailsAsTold) {
  sim.putFile("C:\\users\\test\\Temp\\abk1.tmp", "[Version]\n");
  char name[262];
  ASSERT_TRUE(sim.copyOemInf("C:\\users\\test\\Temp\\abk1.tmp", "C:\\d\\", kSpostPath, 0, name,
                             sizeof name));
  EXPECT_STREQ(name, "C:\\windows\\inf\\oem0.inf");
  EXPECT_EQ(sim.fileText(name), "[Version]\n");
  sim.failNextOemInstall(0xE0000217);
  EXPECT_FALSE(
      sim.copyOemInf("C:\\users\\test\\Temp\\abk1.tmp", nullptr, kSpostPath, 0, name, sizeof name));
  EXPECT_EQ(sim.lastError(), 0xE0000217u);
  EXPECT_EQ(sim.oemInstalls().back().mediaLocation, "(null)");
}

// SetupUninstallOEMInf as documented: the INF and its PNF go; one a device
// was installed with stays unless forced.
TEST_F(SimPlatformTest, UninstallingAnOemInfTakesItsPnfAndHonoursDevices) {
  sim.putFile("C:\\windows\\inf\\oem3.inf", "[Version]\r\n");
  sim.putFile("C:\\windows\\inf\\oem3.pnf", "precompiled");
  sim.markInfInUse("OEM3.INF");
  EXPECT_FALSE(sim.uninstallOemInf("oem3.inf", 0));
  EXPECT_EQ(sim.lastError(), 0xE000023Du);  // ERROR_INF_IN_USE_BY_DEVICES
  EXPECT_TRUE(sim.fileExists("C:\\windows\\inf\\oem3.inf"));
  EXPECT_TRUE(sim.uninstallOemInf("oem3.inf", kSuoiForceDelete));
  EXPECT_TRUE(sim.listDirectory("C:\\windows\\inf").empty());
  EXPECT_FALSE(sim.uninstallOemInf("oem3.inf", kSuoiForceDelete));
  EXPECT_EQ(sim.lastError(), kErrorFileNotFound);
}

}  // namespace
}  // namespace lw
