// What Windows answers, stated once for both platforms: each test binary
// instantiates these tests with its own environment, the simulated Windows
// natively and the real one under Wine. An environment gives
// `Platform& platform()` and `std::string folder()`, an existing folder
// for scratch files, ending in a backslash. Where Wine departs from Windows,
// the Wine binary says so beside its instantiation.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lw {

template <typename Environment>
class PlatformContract : public ::testing::Test {
 protected:
  Platform& os() { return env.platform(); }
  std::string path(const char* name) { return env.folder() + name; }
  void write(const std::string& file, const std::string& bytes) {
    FileHandle handle = os().openWrite(file.c_str());
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(os().writeFile(handle, bytes.data(), bytes.size()));
    os().closeFile(handle);
  }
  std::string read(const std::string& file) {
    FileHandle handle = os().openRead(file.c_str());
    if (!handle) return "(none)";
    char buffer[256];
    const size_t got = os().readFile(handle, buffer, sizeof buffer);
    os().closeFile(handle);
    return std::string(buffer, got);
  }
  Environment env;
};

TYPED_TEST_SUITE_P(PlatformContract);

TYPED_TEST_P(PlatformContract, DirectoryQueriesGiveTheSizeNeededWhenTooSmall) {
  char buffer[260];
  const uint32_t length = this->os().windowsDirectory(buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(buffer), length);
  EXPECT_EQ(this->os().windowsDirectory(buffer, length), length + 1);  // the NUL too
}

TYPED_TEST_P(PlatformContract, TempFileNamesAreNewEmptyFiles) {
  char first[260];
  char second[260];
  const std::string folder = this->env.folder();
  ASSERT_NE(this->os().tempFileName(folder.c_str(), "abk", 0, first), 0u);
  ASSERT_NE(this->os().tempFileName(folder.c_str(), "abk", 0, second), 0u);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::string(first).substr(0, folder.size() + 3), folder + "abk");
  EXPECT_EQ(this->read(first), "");
  EXPECT_TRUE(this->os().deleteFile(first));
  EXPECT_TRUE(this->os().deleteFile(second));
}

TYPED_TEST_P(PlatformContract, FileErrorsAreWindowsNumbers) {
  const std::string missing = this->path("lw-missing.sys");
  const std::string copy = this->path("lw-copy.sys");
  EXPECT_FALSE(this->os().copyFile(missing.c_str(), copy.c_str(), false));
  EXPECT_EQ(this->os().lastError(), kErrorFileNotFound);
  EXPECT_FALSE(this->os().deleteFile(missing.c_str()));
  EXPECT_EQ(this->os().lastError(), kErrorFileNotFound);
  EXPECT_EQ(this->os().fileAttributes(missing.c_str()), kInvalidFileAttributes);
  const std::string folder = this->path("lw-folder");
  EXPECT_TRUE(this->os().createDirectory(folder.c_str()));
  EXPECT_EQ(this->os().fileAttributes(folder.c_str()) & kFileAttributeDirectory,
            kFileAttributeDirectory);
  EXPECT_FALSE(this->os().createDirectory(folder.c_str()));
  EXPECT_EQ(this->os().lastError(), kErrorAlreadyExists);
  EXPECT_TRUE(this->os().removeDirectory(folder.c_str()));
}

TYPED_TEST_P(PlatformContract, MoveReplacesItsTargetInOneStep) {
  const std::string from = this->path("lw-new.sys");
  const std::string to = this->path("lw-old.sys");
  this->write(from, "new");
  this->write(to, "old");
  EXPECT_TRUE(this->os().moveFileReplacing(from.c_str(), to.c_str()));
  EXPECT_EQ(this->read(to), "new");
  EXPECT_EQ(this->os().fileAttributes(from.c_str()), kInvalidFileAttributes);
  EXPECT_FALSE(this->os().moveFileReplacing(from.c_str(), to.c_str()));
  EXPECT_EQ(this->os().lastError(), kErrorFileNotFound);
  char windows[260];
  ASSERT_GT(this->os().windowsDirectory(windows, sizeof windows), 0u);
  EXPECT_FALSE(this->os().moveFileReplacing(to.c_str(), windows));
  EXPECT_EQ(this->os().lastError(), kErrorAccessDenied);
  EXPECT_EQ(this->read(to), "new");
  EXPECT_TRUE(this->os().deleteFile(to.c_str()));
}

// While held, the file can be read but not written, moved or deleted.
TYPED_TEST_P(PlatformContract, LockedReadRefusesWritersUntilClosed) {
  const std::string file = this->path("lw-held.inf");
  this->write(file, "bytes");
  FileHandle held = this->os().openReadLocked(file.c_str());
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(this->os().openWrite(file.c_str()), nullptr);
  EXPECT_EQ(this->os().lastError(), kErrorSharingViolation);
  EXPECT_EQ(this->os().openAppend(file.c_str()), nullptr);
  EXPECT_EQ(this->os().lastError(), kErrorSharingViolation);
  EXPECT_FALSE(this->os().deleteFile(file.c_str()));
  EXPECT_EQ(this->os().lastError(), kErrorSharingViolation);
  EXPECT_FALSE(this->os().moveFileReplacing(file.c_str(), this->path("lw-moved.inf").c_str()));
  EXPECT_EQ(this->os().lastError(), kErrorSharingViolation);
  EXPECT_EQ(this->read(file), "bytes");
  this->os().closeFile(held);
  EXPECT_TRUE(this->os().deleteFile(file.c_str()));

  // A folder does not open; a missing file is not created.
  const std::string folder = this->env.folder();
  EXPECT_EQ(this->os().openReadLocked(folder.substr(0, folder.size() - 1).c_str()), nullptr);
  EXPECT_EQ(this->os().lastError(), kErrorAccessDenied);
  EXPECT_EQ(this->os().openReadLocked(file.c_str()), nullptr);
  EXPECT_EQ(this->os().lastError(), kErrorFileNotFound);
}

TYPED_TEST_P(PlatformContract, RegistryQueryFollowsRegQueryValueEx) {
  const char subKey[] = "Software\\LinkwrightContract";
  RegKey key = nullptr;
  ASSERT_EQ(this->os().createKey(RegRoot::CurrentUser, subKey, kKeyRead | kKeyWrite, &key),
            kErrorSuccess);
  ASSERT_EQ(this->os().setValue(key, "Text", kRegSz, "abcdef", 7), kErrorSuccess);
  EXPECT_EQ(this->os().closeKey(key), kErrorSuccess);
  // Names are case-blind; a null buffer asks for type and size.
  ASSERT_EQ(
      this->os().openKey(RegRoot::CurrentUser, "SOFTWARE\\linkwrightcontract", kKeyRead, &key),
      kErrorSuccess);
  uint32_t type = 0;
  uint32_t size = 0;
  EXPECT_EQ(this->os().queryValue(key, "TEXT", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 7u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(this->os().queryValue(key, "Text", &type, small, &size), long{kErrorMoreData});
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(this->os().queryValue(key, "Missing", &type, small, &size), long{kErrorFileNotFound});
  EXPECT_EQ(this->os().setValue(key, "New", kRegDword, "abcd", 4), long{kErrorAccessDenied});
  EXPECT_EQ(this->os().closeKey(key), kErrorSuccess);
  EXPECT_EQ(this->os().openKey(RegRoot::LocalMachine, subKey, kKeyRead, &key),
            long{kErrorFileNotFound});
}

// Windows-1252, and no best fit: what has no byte of its own becomes "?".
TYPED_TEST_P(PlatformContract, AnsiConversionIsWindows1252WithoutBestFit) {
  const uint16_t units[] = {'A', 0x20AC, 0x00E9, 0x0081, 0x4E00, 0xD83D, 0xDE00, 0};
  char out[16];
  ASSERT_EQ(this->os().wideToAnsi(units, -1, out, sizeof out), 8);
  EXPECT_EQ(std::string(out, 7), "A\x80\xE9\x81???");
  EXPECT_EQ(this->os().wideToAnsi(units, -1, out, 7), 0);
  EXPECT_EQ(this->os().lastError(), kErrorInsufficientBuffer);
}

TYPED_TEST_P(PlatformContract, SystemMessagesEndWithTheirOwnLineEnd) {
  char* text = this->os().systemMessage(kErrorFileNotFound);
  ASSERT_NE(text, nullptr);
  const std::string message = text;
  this->os().freeSystemMessage(text);
  ASSERT_GT(message.size(), 2u);
  EXPECT_EQ(message.substr(message.size() - 2), "\r\n");
}

TYPED_TEST_P(PlatformContract, ListingGivesTheFilesOfAFolder) {
  const std::string folder = this->path("lw-listed");
  ASSERT_TRUE(this->os().createDirectory(folder.c_str()));
  this->write(folder + "\\one.inf", "1");
  this->write(folder + "\\two.pnf", "2");
  ASSERT_TRUE(this->os().createDirectory((folder + "\\inner").c_str()));
  std::vector<std::string> names;
  ASSERT_TRUE(this->os().listFiles(folder.c_str(), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one.inf", "two.pnf"}));
  for (const char* name : {"\\one.inf", "\\two.pnf"})
    this->os().deleteFile((folder + name).c_str());
  EXPECT_TRUE(this->os().removeDirectory((folder + "\\inner").c_str()));
  EXPECT_TRUE(this->os().removeDirectory(folder.c_str()));
  EXPECT_FALSE(this->os().listFiles(folder.c_str(), &names));
}

// A store's certificates come with their friendly names; one deleted is
// gone, and a second deletion finds nothing.
TYPED_TEST_P(PlatformContract, StoreCertificatesAreListedAndDeleted) {
  const UtcTime from{2026, 1, 1, 0, 0, 0};
  const UtcTime to{2027, 1, 1, 0, 0, 0};
  SignerHandle signer = this->os().createSigner("Linkwright contract", from, to);
  ASSERT_NE(signer, nullptr);
  Bytes der;
  ASSERT_TRUE(this->os().signerCertificate(signer, &der));
  ASSERT_TRUE(this->os().addSignerCertificate(signer, CertStore::Root));
  this->os().closeSigner(signer);
  std::vector<StoreCertificate> listed;
  ASSERT_TRUE(this->os().storeCertificates(CertStore::Root, &listed));
  auto ours = std::find_if(listed.begin(), listed.end(),
                           [&](const StoreCertificate& c) { return c.der == der; });
  ASSERT_NE(ours, listed.end());
  EXPECT_EQ(ours->friendlyName, "Linkwright contract");
  EXPECT_TRUE(this->os().deleteStoreCertificate(CertStore::Root, der));
  ASSERT_TRUE(this->os().storeCertificates(CertStore::Root, &listed));
  EXPECT_TRUE(std::none_of(listed.begin(), listed.end(),
                           [&](const StoreCertificate& c) { return c.der == der; }));
  EXPECT_FALSE(this->os().deleteStoreCertificate(CertStore::Root, der));
}

REGISTER_TYPED_TEST_SUITE_P(PlatformContract, ListingGivesTheFilesOfAFolder,
                            StoreCertificatesAreListedAndDeleted,
                            DirectoryQueriesGiveTheSizeNeededWhenTooSmall,
                            TempFileNamesAreNewEmptyFiles, FileErrorsAreWindowsNumbers,
                            MoveReplacesItsTargetInOneStep, LockedReadRefusesWritersUntilClosed,
                            RegistryQueryFollowsRegQueryValueEx,
                            AnsiConversionIsWindows1252WithoutBestFit,
                            SystemMessagesEndWithTheirOwnLineEnd);

}  // namespace lw
