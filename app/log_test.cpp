#include "app/log.h"

#include <string>

#include "tests/support/sim_test.h"

namespace lw {
namespace {

class LogTest : public SimTest {
 protected:
  ~LogTest() override { closeLog(); }
  std::string log() { return sim.fileText("C:\\work\\LinkwrightLog.txt"); }
};

TEST_F(LogTest, PathIsCurrentDirectoryAndCachedUntilClose) {
  const char* first = logFilePath();
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "C:\\work\\LinkwrightLog.txt");
  EXPECT_EQ(logFilePath(), first);
  closeLog();
  sim.setDirectory(SimPlatform::Directory::Current, "D:\\elsewhere");
  EXPECT_STREQ(logFilePath(), "D:\\elsewhere\\LinkwrightLog.txt");
}

TEST_F(LogTest, PathFallsBackToBareNameWhenDirectoryUnreadableOrTooLong) {
  sim.setDirectory(SimPlatform::Directory::Current, "");
  EXPECT_STREQ(logFilePath(), "LinkwrightLog.txt");
  closeLog();

  // 243 + 1 + 17 = 261 characters still fit; one more does not.
  std::string fits = "C:\\" + std::string(240, 'a');
  sim.setDirectory(SimPlatform::Directory::Current, fits);
  EXPECT_EQ(std::string(logFilePath()), fits + "\\LinkwrightLog.txt");
  closeLog();
  sim.setDirectory(SimPlatform::Directory::Current, fits + "b");
  EXPECT_STREQ(logFilePath(), "LinkwrightLog.txt");
  closeLog();
  sim.setDirectory(SimPlatform::Directory::Current, "C:\\" + std::string(400, 'a'));
  EXPECT_STREQ(logFilePath(), "LinkwrightLog.txt");
}

TEST_F(LogTest, PathIsNullWithoutMemoryAndRetried) {
  sim.failAllocation();
  EXPECT_EQ(logFilePath(), nullptr);
  EXPECT_STREQ(logFilePath(), "C:\\work\\LinkwrightLog.txt");
}

TEST_F(LogTest, CreatesMissingFileAndAppendsToExistingOne) {
  openLog();
  logText("first\r\n");
  closeLog();
  EXPECT_EQ(log(), "first\r\n");
  openLog();
  logText("second\r\n");
  closeLog();
  EXPECT_EQ(log(), "first\r\nsecond\r\n");
}

TEST_F(LogTest, WritesNothingWhenNotOpen) {
  logText("before open\r\n");
  logNumber(7);
  logSystemError(2);
  openLog();
  logText(nullptr);
  logText("inside\r\n");
  closeLog();
  logText("after close\r\n");
  EXPECT_EQ(log(), "inside\r\n");
}

TEST_F(LogTest, NumbersAreSignedDecimal) {
  openLog();
  logNumber(0);
  logText(" ");
  logNumber(-42);
  logText(" ");
  logNumber(2147483647);
  logText(" ");
  logNumber(static_cast<int32_t>(0xE000020Bu));
  logText(" ");
  logNumber(static_cast<int32_t>(0x80000000u));
  closeLog();
  EXPECT_EQ(log(), "0 -42 2147483647 -536870389 -2147483648");
}

TEST_F(LogTest, SystemErrorWritesTheSystemTextOrNothing) {
  openLog();
  logSystemError(2);
  logText("|");
  logSystemError(123456);
  closeLog();
  EXPECT_EQ(log(), "The system cannot find the file specified.\r\n|");
}

TEST_F(LogTest, OpenFailureLeavesLogClosedAndSilent) {
  sim.makeDirectory("C:\\work\\LinkwrightLog.txt");
  openLog();
  logText("lost\r\n");
  closeLog();
  EXPECT_TRUE(sim.isDirectory("C:\\work\\LinkwrightLog.txt"));
}

// A link planted under the log's name leaves what it points to untouched,
// whether that exists (either kind of link) or not (a dangling symbolic
// link), and the run logs nothing.
TEST_F(LogTest, LogReachedThroughALinkIsNotWritten) {
  const std::string target = "C:\\windows\\system32\\victim.txt";
  sim.putFile(target, "system file\r\n");
  for (bool hard : {true, false}) {
    if (hard) {
      sim.makeHardLink("C:\\work\\LinkwrightLog.txt", target);
    } else {
      sim.makeSymbolicLink("C:\\work\\LinkwrightLog.txt", "C:\\windows\\system32\\new.txt");
    }
    openLog();
    EXPECT_FALSE(logIsOpen());
    logText("planted\r\n");
    closeLog();
    EXPECT_EQ(sim.fileText(target), "system file\r\n");
    EXPECT_FALSE(sim.fileExists("C:\\windows\\system32\\new.txt"));
    sim.deleteFile("C:\\work\\LinkwrightLog.txt");
  }
}

// A log kept by a cloud sync is written as programs see it; one that
// became a link between the two opens is not, and a name-surrogate tag is a
// link whatever the file looks like.
TEST_F(LogTest, OnlyAReparsePointThatIsNoLinkIsWritten) {
  const std::string log = "C:\\work\\LinkwrightLog.txt";
  const std::string target = "C:\\windows\\system32\\victim.txt";
  sim.putFile(target, "system file\r\n");
  sim.putFile(log, "synced\r\n");
  sim.setReparseTag(log, 0x9000001A);  // IO_REPARSE_TAG_CLOUD
  openLog();
  logText("run\r\n");
  closeLog();
  EXPECT_EQ(sim.fileText(log), "synced\r\nrun\r\n");

  sim.beforeNextOpenThrough([&] {
    sim.deleteFile(log.c_str());
    sim.makeSymbolicLink(log, target);
  });
  openLog();
  logText("planted\r\n");
  closeLog();
  EXPECT_EQ(sim.fileText(target), "system file\r\n");

  sim.deleteFile(log.c_str());
  sim.putFile(log, "mounted\r\n");
  sim.setReparseTag(log, 0xA0000003);  // IO_REPARSE_TAG_MOUNT_POINT
  openLog();
  EXPECT_FALSE(logIsOpen());
  closeLog();
}

}  // namespace
}  // namespace lw
