// The real platform under Wine: the answers the simulated one imitates.
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace lw {
namespace {

class Win32PlatformTest : public ::testing::Test {
 protected:
  Win32PlatformTest() { setPlatform(&win32); }
  ~Win32PlatformTest() override { setPlatform(nullptr); }

  std::string tempDir() {
    char dir[MAX_PATH];
    EXPECT_GT(win32.tempDirectory(dir, sizeof dir), 0u);
    return dir;
  }

  Win32Platform win32;
};

TEST_F(Win32PlatformTest, DirectoriesAndTheirSizeRule) {
  char buffer[MAX_PATH];
  uint32_t n = win32.windowsDirectory(buffer, sizeof buffer);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(win32.windowsDirectory(buffer, n), n + 1);  // too small: size with NUL
  ASSERT_GT(win32.systemDirectory(buffer, sizeof buffer), 0u);
  EXPECT_STRCASEEQ(buffer, "C:\\windows\\system32");
}

TEST_F(Win32PlatformTest, TempFileIsCreatedEmptyAndFileErrorsAreWindowsNumbers) {
  std::string dir = tempDir();
  char name[MAX_PATH];
  ASSERT_NE(win32.tempFileName(dir.c_str(), "abk", 0, name), 0u);
  EXPECT_NE(win32.fileAttributes(name), kInvalidFileAttributes);
  std::string missing = dir + "lw-no-such-file.sys";
  EXPECT_FALSE(win32.copyFile(missing.c_str(), name, false));
  EXPECT_EQ(win32.lastError(), kErrorFileNotFound);
  std::string folder = dir + "lw-folder";
  EXPECT_TRUE(win32.createDirectory(folder.c_str()));
  EXPECT_FALSE(win32.createDirectory(folder.c_str()));
  EXPECT_EQ(win32.lastError(), kErrorAlreadyExists);
  EXPECT_TRUE(win32.deleteFile(name));
  RemoveDirectoryA(folder.c_str());
}

TEST_F(Win32PlatformTest, MoveReplacesItsTargetOrFailsWithWindowsErrors) {
  const std::string dir = tempDir();
  const std::string from = dir + "lw-new.sys";
  const std::string to = dir + "lw-old.sys";
  for (const std::string& path : {from, to}) {
    FileHandle file = win32.openWrite(path.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(win32.writeFile(file, path.c_str(), path.size()));
    win32.closeFile(file);
  }
  EXPECT_TRUE(win32.moveFileReplacing(from.c_str(), to.c_str()));
  EXPECT_EQ(win32.fileAttributes(from.c_str()), kInvalidFileAttributes);
  FileHandle file = win32.openRead(to.c_str());
  ASSERT_NE(file, nullptr);
  char got[MAX_PATH] = {};
  EXPECT_EQ(win32.readFile(file, got, sizeof got - 1), from.size());
  EXPECT_EQ(std::string(got), from);
  win32.closeFile(file);
  EXPECT_FALSE(win32.moveFileReplacing(from.c_str(), to.c_str()));
  EXPECT_EQ(win32.lastError(), kErrorFileNotFound);
  std::string windows(MAX_PATH, '\0');
  windows.resize(win32.windowsDirectory(&windows[0], MAX_PATH));
  EXPECT_FALSE(win32.moveFileReplacing(to.c_str(), windows.c_str()));
  EXPECT_EQ(win32.lastError(), kErrorAccessDenied);
  EXPECT_TRUE(win32.deleteFile(to.c_str()));
}

TEST_F(Win32PlatformTest, AppendSharesReadingAndWriting) {
  std::string path = tempDir() + "lw-append.txt";
  FileHandle first = win32.openAppend(path.c_str());
  ASSERT_NE(first, nullptr);
  FileHandle second = win32.openAppend(path.c_str());  // another holder
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(win32.writeFile(first, "ab", 2));
  EXPECT_TRUE(win32.writeFile(second, "cd", 2));
  EXPECT_TRUE(win32.writeFile(first, "ef", 2));
  FileHandle reader = win32.openRead(path.c_str());
  ASSERT_NE(reader, nullptr);
  char got[8] = {};
  EXPECT_EQ(win32.readFile(reader, got, sizeof got), 6u);
  EXPECT_STREQ(got, "abcdef");
  win32.closeFile(reader);
  win32.closeFile(second);
  win32.closeFile(first);
  win32.deleteFile(path.c_str());
}

// Wine reports a Unix hard link's count; it cannot make a Windows symbolic
// link, so the reparse-point half is the simulation's alone.
TEST_F(Win32PlatformTest, AppendedFileWithASecondNameIsLinked) {
  std::string path = tempDir() + "lw-linked.txt";
  std::string second = tempDir() + "lw-second-name.txt";
  FileHandle file = win32.openAppend(path.c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(win32.isLinked(file));
  ASSERT_TRUE(CreateHardLinkA(second.c_str(), path.c_str(), nullptr));
  EXPECT_TRUE(win32.isLinked(file));
  win32.closeFile(file);
  file = win32.openAppend(second.c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(win32.isLinked(file));
  win32.closeFile(file);
  win32.deleteFile(second.c_str());
  win32.deleteFile(path.c_str());
}

// What was read through a locked handle is what Setup installs: nobody can
// write, move or delete the file meanwhile, while readers, Setup among
// them, still can.
TEST_F(Win32PlatformTest, LockedFileCanBeReadAndInstalledButNotChanged) {
  const std::string dir = tempDir();
  const std::string path = dir + "lw-held.inf";
  const std::string bytes = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
  FileHandle writer = win32.openWrite(path.c_str());
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(win32.writeFile(writer, bytes.data(), bytes.size()));
  win32.closeFile(writer);

  FileHandle held = win32.openReadLocked(path.c_str());
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(win32.isLinked(held));
  char got[64] = {};
  EXPECT_EQ(win32.readFile(held, got, sizeof got), bytes.size());
  EXPECT_EQ(std::string(got), bytes);

  EXPECT_EQ(win32.openWrite(path.c_str()), nullptr);
  EXPECT_EQ(win32.lastError(), kErrorSharingViolation);
  EXPECT_EQ(win32.openAppend(path.c_str()), nullptr);
  EXPECT_EQ(win32.lastError(), kErrorSharingViolation);
  EXPECT_FALSE(win32.deleteFile(path.c_str()));
  EXPECT_EQ(win32.lastError(), kErrorSharingViolation);
  const std::string moved = dir + "lw-moved.inf";
  EXPECT_FALSE(win32.moveFileReplacing(path.c_str(), moved.c_str()));
  EXPECT_EQ(win32.lastError(), kErrorSharingViolation);
  FileHandle reader = win32.openRead(path.c_str());
  EXPECT_NE(reader, nullptr);
  if (reader) win32.closeFile(reader);
  char installed[262] = {};
  EXPECT_TRUE(
      win32.copyOemInf(path.c_str(), dir.c_str(), kSpostPath, 0, installed, sizeof installed));
  win32.closeFile(held);
  EXPECT_TRUE(win32.deleteFile(path.c_str()));

  // A folder does not open; a missing file is not created.
  EXPECT_EQ(win32.openReadLocked(dir.substr(0, dir.size() - 1).c_str()), nullptr);
  EXPECT_EQ(win32.lastError(), kErrorAccessDenied);
  EXPECT_EQ(win32.openReadLocked(path.c_str()), nullptr);
  EXPECT_EQ(win32.lastError(), kErrorFileNotFound);
}

TEST_F(Win32PlatformTest, RegistryQueryReportsMoreData) {
  RegKey key = nullptr;
  ASSERT_EQ(
      win32.createKey(RegRoot::CurrentUser, "Software\\LinkwrightTest", kKeyRead | kKeyWrite, &key),
      0);
  ASSERT_EQ(win32.setValue(key, "Text", kRegSz, "abcdef", 7), 0);
  uint32_t type = 0;
  uint32_t size = 0;
  EXPECT_EQ(win32.queryValue(key, "Text", &type, nullptr, &size), 0);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 7u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(win32.queryValue(key, "Text", &type, small, &size), static_cast<long>(kErrorMoreData));
  EXPECT_EQ(win32.queryValue(key, "Missing", &type, small, &size),
            static_cast<long>(kErrorFileNotFound));
  EXPECT_EQ(win32.closeKey(key), 0);
}

TEST_F(Win32PlatformTest, AnsiCodePageMatchesTheSimulatedOne) {
  // Characters without a best-fit twin, which Windows would map otherwise.
  const uint16_t units[] = {'A', 0x20AC, 0x00E9, 0x0081, 0x4E00, 0xD83D, 0xDE00, 0};
  char out[16];
  ASSERT_EQ(win32.wideToAnsi(units, -1, out, sizeof out), 8);
  EXPECT_EQ(std::string(out, 7), "A\x80\xE9\x81???");
  EXPECT_EQ(win32.wideToAnsi(units, -1, out, 7), 0);
  EXPECT_EQ(win32.lastError(), kErrorInsufficientBuffer);
}

TEST_F(Win32PlatformTest, SystemMessageForFileNotFound) {
  char* text = win32.systemMessage(kErrorFileNotFound);
  ASSERT_NE(text, nullptr);
  EXPECT_GT(std::strlen(text), 2u);
  EXPECT_EQ(std::string(text + std::strlen(text) - 2), "\r\n");
  win32.freeSystemMessage(text);
}

}  // namespace
}  // namespace lw
