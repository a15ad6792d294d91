#include "platform/sim/sim_platform.h"

#include <cstring>

#include "tests/support/sim_test.h"

namespace lw {
namespace {

using SimPlatformTest = SimTest;

TEST_F(SimPlatformTest, DrivePathsLiveInTheSandboxCaseBlind) {
  sim.putFile("C:\\Windows\\INF\\Usbstor.inf", "x");
  EXPECT_TRUE(sim.fileExists("c:\\windows\\inf\\usbstor.inf"));
  EXPECT_EQ(sim.hostPath("/tmp/host.inf"), "/tmp/host.inf");
  EXPECT_EQ(sim.hostPath("rel.inf"), sim.hostPath("C:\\work\\rel.inf"));
  sim.setCurrentDirectoryForPaths("");
  EXPECT_EQ(sim.hostPath("rel.inf"), "rel.inf");
}

TEST_F(SimPlatformTest, DirectoryQueriesFollowWindowsSizeRules) {
  char buffer[32];
  EXPECT_EQ(sim.windowsDirectory(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\windows");
  EXPECT_EQ(sim.windowsDirectory(buffer, 10), 11u);  // needs the NUL too
  sim.setDirectory(SimPlatform::Directory::System, "", kErrorAccessDenied);
  EXPECT_EQ(sim.systemDirectory(buffer, sizeof buffer), 0u);
  EXPECT_EQ(sim.lastError(), kErrorAccessDenied);
}

TEST_F(SimPlatformTest, TempFileNamesAreCreatedEmptyAndUnique) {
  char first[260];
  char second[260];
  ASSERT_NE(sim.tempFileName("C:\\users\\test\\Temp\\", "abk", 0, first), 0u);
  ASSERT_NE(sim.tempFileName("C:\\users\\test\\Temp", "abk", 0, second), 0u);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::strncmp(first, "C:\\users\\test\\Temp\\abk", 22), 0);
  EXPECT_TRUE(sim.fileExists(first));
  EXPECT_EQ(sim.fileText(first), "");
  EXPECT_EQ(sim.tempFileName("C:\\missing", "abk", 0, first), 0u);
  EXPECT_EQ(sim.lastError(), kErrorPathNotFound);
}

TEST_F(SimPlatformTest, FileOperationsReportWindowsErrors) {
  EXPECT_FALSE(sim.copyFile("C:\\none.sys", "C:\\work\\x.sys", false));
  EXPECT_EQ(sim.lastError(), kErrorFileNotFound);
  sim.putFile("C:\\a.sys", "driver");
  EXPECT_TRUE(sim.copyFile("C:\\a.sys", "C:\\work\\b.sys", false));
  EXPECT_EQ(sim.fileText("C:\\work\\b.sys"), "driver");
  EXPECT_FALSE(sim.copyFile("C:\\a.sys", "C:\\nodir\\b.sys", false));
  EXPECT_EQ(sim.lastError(), kErrorPathNotFound);
  EXPECT_TRUE(sim.createDirectory("C:\\work\\abkBackup\\"));
  EXPECT_FALSE(sim.createDirectory("C:\\work\\abkBackup\\"));
  EXPECT_EQ(sim.lastError(), kErrorAlreadyExists);
  sim.failNextCopy(kErrorAccessDenied);
  EXPECT_FALSE(sim.copyFile("C:\\a.sys", "C:\\work\\b.sys", false));
  EXPECT_EQ(sim.lastError(), kErrorAccessDenied);
  EXPECT_TRUE(sim.copyFile("C:\\a.sys", "C:\\work\\b.sys", false));
}

TEST_F(SimPlatformTest, MoveReplacesItsTargetAsMoveFileExDoes) {
  sim.putFile("C:\\work\\new.sys", "new");
  sim.putFile("C:\\work\\old.sys", "old");
  EXPECT_TRUE(sim.moveFileReplacing("C:\\work\\new.sys", "C:\\work\\old.sys"));
  EXPECT_EQ(sim.fileText("C:\\work\\old.sys"), "new");
  EXPECT_FALSE(sim.fileExists("C:\\work\\new.sys"));
  EXPECT_FALSE(sim.moveFileReplacing("C:\\work\\new.sys", "C:\\work\\old.sys"));
  EXPECT_EQ(sim.lastError(), kErrorFileNotFound);
  EXPECT_FALSE(sim.moveFileReplacing("C:\\work\\old.sys", "C:\\windows"));
  EXPECT_EQ(sim.lastError(), kErrorAccessDenied);
  EXPECT_EQ(sim.fileText("C:\\work\\old.sys"), "new");
}

// As the Wine test pins it: while held, the file (under any of its names)
// can be read but not written, moved or deleted.
TEST_F(SimPlatformTest, LockedReadRefusesWritersUntilClosed) {
  const char path[] = "C:\\work\\held.inf";
  sim.putFile(path, "bytes");
  sim.makeHardLink("C:\\work\\second.inf", path);
  FileHandle held = sim.openReadLocked(path);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(sim.openWrite("C:\\work\\second.inf"), nullptr);
  EXPECT_EQ(sim.lastError(), kErrorSharingViolation);
  EXPECT_EQ(sim.openAppend(path), nullptr);
  EXPECT_FALSE(sim.deleteFile(path));
  EXPECT_FALSE(sim.moveFileReplacing(path, "C:\\work\\moved.inf"));
  EXPECT_EQ(sim.lastError(), kErrorSharingViolation);
  FileHandle reader = sim.openRead(path);
  ASSERT_NE(reader, nullptr);
  sim.closeFile(reader);
  sim.closeFile(held);
  EXPECT_TRUE(sim.deleteFile(path));
}

TEST_F(SimPlatformTest, RegistryQueryFollowsRegQueryValueEx) {
  sim.putValue(RegRoot::LocalMachine, "Software\\K", "Dir", kRegSz, std::string("C:\\x\0", 5));
  RegKey key = nullptr;
  ASSERT_EQ(sim.openKey(RegRoot::LocalMachine, "SOFTWARE\\k", kKeyRead, &key), 0);
  uint32_t type = 0;
  uint32_t size = 0;
  EXPECT_EQ(sim.queryValue(key, "dir", &type, nullptr, &size), 0);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 5u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(sim.queryValue(key, "Dir", &type, small, &size), kErrorMoreData);
  EXPECT_EQ(sim.setValue(key, "New", kRegDword, "abcd", 4), kErrorAccessDenied);
  EXPECT_EQ(sim.closeKey(key), 0);
  EXPECT_EQ(sim.openKeys(), 0);
  EXPECT_EQ(sim.openKey(RegRoot::CurrentUser, "Software\\K", kKeyRead, &key), kErrorFileNotFound);
}

TEST_F(SimPlatformTest, AnsiConversionIsWindows1252WithoutBestFit) {
  const uint16_t units[] = {'A', 0x20AC, 0x00E9, 0x0081, 0x4E00, 0xD83D, 0xDE00, 0};
  char out[16];
  ASSERT_EQ(sim.wideToAnsi(units, -1, out, sizeof out), 8);
  EXPECT_EQ(std::string(out, 7), "A\x80\xE9\x81???");
  EXPECT_EQ(sim.wideToAnsi(units, -1, out, 7), 0);
  EXPECT_EQ(sim.lastError(), kErrorInsufficientBuffer);
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

}  // namespace
}  // namespace lw
