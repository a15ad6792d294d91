#include "updaters/device_driver_update.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "tests/support/logged_sim_test.h"

namespace lw {
namespace {

constexpr char kTemp[] = "C:\\users\\test\\Temp\\";
constexpr char kFirstTemp[] = "C:\\users\\test\\Temp\\abk1A2B.tmp";
constexpr char kStockInf[] = "C:\\windows\\inf\\fake.inf";

// An updater whose five answers the test sets; the base is what is tested.
class FakeUpdate : public DeviceDriverUpdate {
 public:
  explicit FakeUpdate(SimPlatform& sim) : sim_(sim) {}
  ~FakeUpdate() override { platform().release(defaultCache_); }

  const char* driverDirectory() override {
    if (driverDirectoryKnown) return driverDirectoryCache.get();
    driverDirectoryKnown = true;
    if (!directory.empty()) {
      driverDirectoryCache = PlatformBuffer(directory.size() + 1);
      std::memcpy(driverDirectoryCache.get(), directory.c_str(), directory.size() + 1);
    }
    return driverDirectoryCache.get();
  }
  const char* driverFilePath() override {
    file_ = directory + "fake.sys";
    return directory.empty() ? nullptr : file_.c_str();
  }
  PatchResult patchInf(const char* outPath, const char* inPath, Sha256Digest* written) override {
    if (patchResult != PatchResult::PatchOk) return patchResult;
    const std::string patched = "patched " + sim_.fileText(inPath);
    sim_.putFile(outPath, patched);
    Sha256 hash;
    hash.update(patched.data(), patched.size());
    *written = hash.finish();
    return PatchResult::PatchOk;
  }
  const char* defaultInfPath() override {
    ++defaultAsks;
    if (!defaultCache_) defaultCache_ = copy(defaultInf);
    return defaultCache_;
  }
  const char* driverName() override { return "fake"; }

  std::string directory = "C:\\windows\\system32\\drivers\\";
  std::string defaultInf = kStockInf;
  PatchResult patchResult = PatchResult::PatchOk;
  int defaultAsks = 0;

 private:
  static char* copy(const std::string& text) {
    if (text.empty()) return nullptr;
    char* buffer = static_cast<char*>(platform().allocate(text.size() + 1));
    if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
    return buffer;
  }
  SimPlatform& sim_;
  std::string file_;
  char* defaultCache_ = nullptr;
};

class DeviceDriverUpdateTest : public LoggedSimTest {
 protected:
  DeviceDriverUpdateTest() { sim.putFile(kStockInf, "[Version]\r\n"); }
  std::string tempFiles() {
    std::string names;
    for (const std::string& name : sim.listDirectory(kTemp)) names += name + " ";
    return names;
  }
};

// --- INF source path -------------------------------------------------------

TEST_F(DeviceDriverUpdateTest, DefaultPathIsLoggedOnceAndNullIsNotRetried) {
  FakeUpdate updater(sim);
  EXPECT_STREQ(updater.infPath(), kStockInf);
  EXPECT_STREQ(updater.infPath(), kStockInf);
  EXPECT_EQ(log(), "Default path of fake inf file is [C:\\windows\\inf\\fake.inf].\r\n");

  FakeUpdate missing(sim);
  missing.defaultInf = "";
  EXPECT_EQ(missing.infPath(), nullptr);
  EXPECT_EQ(missing.infPath(), nullptr);
  EXPECT_EQ(missing.defaultAsks, 1);
  EXPECT_EQ(missing.installInf(), StepResult::StepFailed);
  EXPECT_EQ(tempFiles(), "");  // nothing to copy: no temporary file either
  EXPECT_EQ(missing.setInfPath("D:\\mine.inf"), StepResult::StepOk);
  EXPECT_STREQ(missing.infPath(), "D:\\mine.inf");
}

TEST_F(DeviceDriverUpdateTest, UserPathUpTo260CharactersIsCopied) {
  FakeUpdate updater(sim);
  std::string path260 = "D:\\" + std::string(253, 'p') + ".inf";
  ASSERT_EQ(path260.size(), 260u);
  std::string caller = path260;
  EXPECT_EQ(updater.setInfPath(caller.c_str()), StepResult::StepOk);
  caller[3] = 'X';  // the updater holds its own copy
  EXPECT_EQ(std::string(updater.infPath()), path260);
  EXPECT_EQ(log(), "");

  // Refused for its length: the earlier user path is gone, not kept.
  EXPECT_EQ(updater.setInfPath((path260 + "f").c_str()), StepResult::StepFailed);
  EXPECT_EQ(updater.infPath(), nullptr);
  EXPECT_EQ(log(), "ERROR: Specified path for fake inf file is too long.\r\n");
}

TEST_F(DeviceDriverUpdateTest, TooLongUserPathLeavesTheDefaultInPlace) {
  FakeUpdate updater(sim);
  const char* defaultPath = updater.infPath();
  EXPECT_EQ(updater.setInfPath(std::string(261, 'p').c_str()), StepResult::StepFailed);
  EXPECT_EQ(updater.infPath(), defaultPath);
  EXPECT_EQ(updater.setInfPath("D:\\mine.inf"), StepResult::StepOk);
  EXPECT_STREQ(updater.infPath(), "D:\\mine.inf");
  EXPECT_EQ(updater.setInfPath("D:\\other.inf"), StepResult::StepOk);  // the first copy is released
  EXPECT_STREQ(updater.infPath(), "D:\\other.inf");
}

TEST_F(DeviceDriverUpdateTest, UserPathWithoutMemoryLeavesNoPath) {
  FakeUpdate updater(sim);
  ASSERT_NE(updater.infPath(), nullptr);
  sim.failAllocation();
  EXPECT_EQ(updater.setInfPath("D:\\mine.inf"), StepResult::StepFailed);
  EXPECT_EQ(updater.infPath(), nullptr);
  // This line has no line end of its own.
  EXPECT_EQ(log(),
            "Default path of fake inf file is [C:\\windows\\inf\\fake.inf].\r\n"
            "ERROR: Could not allocate memory for new fake inf file path.");
}

// --- temporary file ----------------------------------------------------------

TEST_F(DeviceDriverUpdateTest, TemporaryFileIsMadeOnceInTheTempDirectory) {
  {
    FakeUpdate updater(sim);
    EXPECT_STREQ(updater.tempInfPath(), kFirstTemp);
    EXPECT_STREQ(updater.tempInfPath(), kFirstTemp);
    EXPECT_EQ(log(),
              "Path of temporary fake inf file is [C:\\users\\test\\Temp\\abk1A2B.tmp].\r\n");
    EXPECT_EQ(tempFiles(), "abk1a2b.tmp ");
  }
  // Created but never copied over: still removed at teardown.
  EXPECT_EQ(tempFiles(), "");
}

TEST_F(DeviceDriverUpdateTest, TempDirectoryOf247CharactersIsUsed) {
  std::string dir = "C:\\" + std::string(243, 't') + "\\";
  ASSERT_EQ(dir.size(), 247u);
  sim.makeDirectory(dir);
  sim.setDirectory(SimPlatform::Directory::Temp, dir);
  FakeUpdate updater(sim);
  EXPECT_EQ(std::string(updater.tempInfPath()), dir + "abk1A2B.tmp");
}

TEST_F(DeviceDriverUpdateTest, UnusableTempDirectoryFallsBackToTheCurrentDirectorysFullName) {
  std::string dir248 = "C:\\" + std::string(244, 't') + "\\";
  for (const std::string& answer : {std::string(), dir248, std::string(300, 't')}) {
    sim.setDirectory(SimPlatform::Directory::Temp, answer);
    FakeUpdate updater(sim);
    // Setup takes only a full path: a relative name could never be installed.
    EXPECT_EQ(updater.installInf(), StepResult::StepOk);
    EXPECT_EQ(sim.oemInstalls().back().source, std::string(updater.tempInfPath()));
    EXPECT_EQ(std::string(updater.tempInfPath()).substr(0, 11), "C:\\work\\abk");
  }
  EXPECT_TRUE(sim.listDirectory("C:\\work") == std::vector<std::string>{"linkwrightlog.txt"});

  // A current directory that does not fit either: no temporary file.
  sim.setDirectory(SimPlatform::Directory::Current, dir248);
  FakeUpdate nowhere(sim);
  EXPECT_EQ(nowhere.tempInfPath(), nullptr);
  const std::string text = log();
  EXPECT_EQ(text.substr(text.rfind("\r\n", text.size() - 3) + 2),
            "ERROR: Could not determine a temporary file name.\r\n");
}

TEST_F(DeviceDriverUpdateTest, TemporaryNameFailuresAreLoggedOnceAndRemembered) {
  FakeUpdate noDirectoryMemory(sim);
  sim.failAllocation();
  EXPECT_EQ(noDirectoryMemory.tempInfPath(), nullptr);
  EXPECT_EQ(noDirectoryMemory.tempInfPath(), nullptr);

  FakeUpdate noNameMemory(sim);
  sim.failAllocation(1);
  EXPECT_EQ(noNameMemory.tempInfPath(), nullptr);

  FakeUpdate noName(sim);
  sim.failNextTempFileName(kErrorAccessDenied);
  EXPECT_EQ(noName.tempInfPath(), nullptr);
  EXPECT_EQ(noName.tempInfPath(), nullptr);
  EXPECT_EQ(noName.installInf(), StepResult::StepFailed);

  EXPECT_EQ(log(),
            "ERROR: Could not allocate memory for temporary directory path.\r\n"
            "ERROR: Could not allocate memory for the temporary file name.\r\n"
            "ERROR: Could not determine a temporary file name.\r\n"
            "Default path of fake inf file is [C:\\windows\\inf\\fake.inf].\r\n");
  EXPECT_EQ(tempFiles(), "");
}

// --- install -----------------------------------------------------------------

TEST_F(DeviceDriverUpdateTest, InstallPatchesACopyAndInstallsIt) {
  {
    FakeUpdate updater(sim);
    ASSERT_NE(updater.infPath(), nullptr);  // asked by the Welcome page
    EXPECT_EQ(updater.installInf(), StepResult::StepOk);
    EXPECT_EQ(sim.fileText(kStockInf), "[Version]\r\n");
    EXPECT_EQ(sim.fileText(kFirstTemp), "patched [Version]\r\n");
    ASSERT_EQ(sim.oemInstalls().size(), 1u);
    const SimPlatform::OemInstall& install = sim.oemInstalls()[0];
    EXPECT_EQ(install.source, kFirstTemp);
    EXPECT_EQ(install.mediaLocation, "C:\\windows\\system32\\drivers\\");
    EXPECT_EQ(install.mediaType, 1u);
    EXPECT_EQ(install.copyStyle, 0u);
    EXPECT_EQ(install.destSize, 262u);
    EXPECT_TRUE(install.sourceLocked);  // held against writers while Setup read it
    EXPECT_FALSE(sim.isLocked(kFirstTemp));
    EXPECT_EQ(sim.fileText(install.installedPath), "patched [Version]\r\n");
    EXPECT_EQ(log(),
              "Default path of fake inf file is [C:\\windows\\inf\\fake.inf].\r\n"
              "Path of temporary fake inf file is [C:\\users\\test\\Temp\\abk1A2B.tmp].\r\n"
              "Creating a copy of fake inf file.\r\n"
              "Created fake oemxx.inf file [C:\\windows\\inf\\oem0.inf].\r\n");
  }
  EXPECT_EQ(tempFiles(), "");
}

// Another program of the same user changes the temporary copy between the
// patch and the install. Links lead to the very bytes the patch wrote: only
// their being links gives them away.
TEST_F(DeviceDriverUpdateTest, ACopyChangedBeforeTheInstallIsNotInstalled) {
  const std::string patched = "patched [Version]\r\n";
  const std::string elsewhere = "C:\\work\\elsewhere.inf";
  sim.putFile(elsewhere, patched);
  auto remove = [this](const std::string& path) { std::remove(sim.hostPath(path).c_str()); };
  const struct {
    const char* swap;
    std::function<void(const std::string&)> make;
  } cases[] = {
      {"other bytes, same size",
       [&](const std::string& t) { sim.putFile(t, "patched [VersioN]\r\n"); }},
      {"bytes added", [&](const std::string& t) { sim.putFile(t, patched + "[Evil]\r\n"); }},
      {"gone", [&](const std::string& t) { remove(t); }},
      {"a folder",
       [&](const std::string& t) {
         remove(t);
         sim.makeDirectory(t);
       }},
      {"a symbolic link",
       [&](const std::string& t) {
         remove(t);
         sim.makeSymbolicLink(t, elsewhere);
       }},
      {"a hard link",
       [&](const std::string& t) {
         remove(t);
         sim.makeHardLink(t, elsewhere);
       }},
  };
  for (const auto& c : cases) {
    std::string temp;
    {
      FakeUpdate updater(sim);
      temp = updater.tempInfPath();
      sim.beforeNextLockedOpen([&] { c.make(temp); });
      EXPECT_EQ(updater.installInf(), StepResult::StepFailed) << c.swap;
      const std::string tail =
          "Creating a copy of fake inf file.\r\n"
          "ERROR: Could not verify the patched inf file before installing it [" +
          temp + "].\r\n";
      const std::string text = log();
      EXPECT_EQ(text.substr(text.size() - std::min(text.size(), tail.size())), tail) << c.swap;
    }
    EXPECT_TRUE(sim.oemInstalls().empty()) << c.swap;
    EXPECT_FALSE(sim.fileExists(temp)) << c.swap;
    EXPECT_FALSE(sim.isLocked(elsewhere)) << c.swap;
  }
  EXPECT_EQ(sim.fileText(elsewhere), patched);
}

TEST_F(DeviceDriverUpdateTest, FailedCopyIsLoggedWithItsErrorAndLeavesNoTempFile) {
  {
    FakeUpdate updater(sim);
    ASSERT_EQ(updater.setInfPath("C:\\nowhere\\x.inf"), StepResult::StepOk);
    EXPECT_EQ(updater.installInf(), StepResult::StepFailed);
    EXPECT_TRUE(sim.oemInstalls().empty());
    EXPECT_EQ(log(),
              "Path of temporary fake inf file is [C:\\users\\test\\Temp\\abk1A2B.tmp].\r\n"
              "Creating a copy of fake inf file.\r\n"
              "ERROR: Could not copy C:\\nowhere\\x.inf to C:\\users\\test\\Temp\\abk1A2B.tmp "
              "2:The system cannot find the file specified.\r\n\r\n");
  }
  EXPECT_EQ(tempFiles(), "");
}

TEST_F(DeviceDriverUpdateTest, PatchFailureIsReportedByTheResultAlone) {
  FakeUpdate updater(sim);
  updater.patchResult = PatchResult::PatchReadError;
  EXPECT_EQ(updater.installInf(), StepResult::StepFailed);
  EXPECT_TRUE(sim.oemInstalls().empty());
  const std::string text = log();
  const std::string last = "Creating a copy of fake inf file.\r\n";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST_F(DeviceDriverUpdateTest, SetupApiErrorIsLoggedAsNegativeNumber) {
  FakeUpdate updater(sim);
  ASSERT_NE(updater.tempInfPath(), nullptr);
  sim.failNextOemInstall(0xE0000217u);
  EXPECT_EQ(updater.installOemInf(), StepResult::StepFailed);
  EXPECT_EQ(log(),
            "Path of temporary fake inf file is [C:\\users\\test\\Temp\\abk1A2B.tmp].\r\n"
            "ERROR: Could not copy temporary file as oemxx.inf -536870377: "
            "The INF is invalid.\r\n\r\n");
}

TEST_F(DeviceDriverUpdateTest, OemInstallWithoutMemoryOrDriverDirectory) {
  FakeUpdate updater(sim);
  ASSERT_NE(updater.tempInfPath(), nullptr);
  sim.failAllocation();
  EXPECT_EQ(updater.installOemInf(), StepResult::StepFailed);
  EXPECT_TRUE(sim.oemInstalls().empty());
  EXPECT_NE(log().find("ERROR: Could not allocate memory for oemxx.inf file path.\r\n"),
            std::string::npos);

  // Going on after a failed backup: no source media location at all.
  FakeUpdate noDirectory(sim);
  noDirectory.directory = "";
  EXPECT_EQ(noDirectory.installInf(), StepResult::StepOk);
  EXPECT_EQ(sim.oemInstalls().back().mediaLocation, "(null)");
}

// --- backup ------------------------------------------------------------------

TEST_F(DeviceDriverUpdateTest, BackupGoesIntoAbkBackupBesideTheDriver) {
  const std::string drivers = "C:\\windows\\system32\\drivers\\";
  sim.putFile(drivers + "fake.sys", "driver v1");
  {
    FakeUpdate updater(sim);
    EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterOk);
    EXPECT_EQ(sim.fileText(drivers + "abkBackup\\fake.sys"), "driver v1");
  }
  // A second run finds the folder and overwrites the backup.
  sim.putFile(drivers + "fake.sys", "driver v2");
  FakeUpdate again(sim);
  EXPECT_EQ(again.backupDriver(), UpdaterStatus::UpdaterOk);
  EXPECT_EQ(sim.fileText(drivers + "abkBackup\\fake.sys"), "driver v2");
  const std::string line =
      "Backing up fake driver to [C:\\windows\\system32\\drivers\\abkBackup\\fake.sys].\r\n";
  EXPECT_EQ(log(), line + line);
}

TEST_F(DeviceDriverUpdateTest, MissingDriverIsAWarningAndTheFolderStaysEmpty) {
  const std::string backups = "C:\\windows\\system32\\drivers\\abkBackup";
  const std::string lines = "Backing up fake driver to [" + backups +
                            "\\fake.sys].\r\n"
                            "WARNING: Driver file does not exist for backup.\r\n";
  // The second time the folder lets nothing new be made in it.
  for (int run = 0; run < 2; ++run) {
    if (run == 1) sim.refuseNewFilesIn(backups);
    FakeUpdate updater(sim);
    EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterDriverMissing);
  }
  EXPECT_TRUE(sim.isDirectory(backups));
  EXPECT_TRUE(sim.listDirectory(backups).empty());
  EXPECT_EQ(log(), lines + lines);
}

TEST_F(DeviceDriverUpdateTest, TheCopyNeedsNoLongerNameThanTheBackup) {
  // A 259-character backup name, in a folder with no room left for a
  // temporary "abkXXXX.tmp" name; a copy left by an earlier run is replaced.
  FakeUpdate updater(sim);
  updater.directory = "C:\\" + std::string(237, 'd') + "\\";
  const std::string backups = updater.directory + "abkBackup\\";
  sim.putFile(updater.directory + "fake.sys", "driver");
  sim.putFile(backups + "fake.tmp", "left by an earlier run");
  ASSERT_EQ((backups + "fake.sys").size(), 259u);
  EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterOk);
  EXPECT_TRUE(sim.listDirectory(backups) == std::vector<std::string>{"fake.sys"});
  EXPECT_EQ(sim.fileText(backups + "fake.sys"), "driver");
}

TEST_F(DeviceDriverUpdateTest, ACopyThatCannotBeDeletedIsNamed) {
  const std::string backups = "C:\\windows\\system32\\drivers\\abkBackup\\";
  sim.putFile("C:\\windows\\system32\\drivers\\fake.sys", "driver");
  FakeUpdate updater(sim);
  sim.failNextCopyPartWay(kErrorDiskFull);
  sim.failNextDelete(kErrorAccessDenied);
  EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(log().substr(log().find("\r\n") + 2),
            "ERROR: Could not create backup file [" + backups +
                "fake.sys] 112:There is not enough space on the disk.\r\n\r\n"
                "WARNING: Could not delete the temporary backup copy [" +
                backups + "fake.tmp].\r\n");
}

TEST_F(DeviceDriverUpdateTest, BackupFolderOrFileThatCannotBeMadeFails) {
  sim.putFile("C:\\windows\\system32\\drivers\\fake.sys", "driver");
  const std::string line =
      "Backing up fake driver to [C:\\windows\\system32\\drivers\\abkBackup\\fake.sys].\r\n";
  FakeUpdate noFolder(sim);
  sim.failNextCreateDirectory(kErrorAccessDenied);
  EXPECT_EQ(noFolder.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(log(), line + "ERROR: Could not create backup directory 5: Access is denied.\r\n\r\n");

  FakeUpdate noFile(sim);
  sim.failNextCopy(kErrorAccessDenied);
  EXPECT_EQ(noFile.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(
      log().substr(log().find("\r\n\r\n") + 4),
      line +
          "ERROR: Could not create backup file "
          "[C:\\windows\\system32\\drivers\\abkBackup\\fake.sys] 5:Access is denied.\r\n\r\n");
}

TEST_F(DeviceDriverUpdateTest, AFailedBackupLeavesTheEarlierOneAndNoPartialFile) {
  const std::string drivers = "C:\\windows\\system32\\drivers\\";
  const std::string backups = drivers + "abkBackup";
  sim.putFile(drivers + "fake.sys", "driver v2, longer than the first");
  const std::string line = "Backing up fake driver to [" + backups + "\\fake.sys].\r\n";
  {
    // The disk fills up during the first backup: no file at all.
    FakeUpdate updater(sim);
    sim.failNextCopyPartWay(kErrorDiskFull);
    EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterFailed);
    EXPECT_TRUE(sim.listDirectory(backups).empty());
    EXPECT_EQ(log(), line + "ERROR: Could not create backup file [" + backups +
                         "\\fake.sys] 112:There is not enough space on the disk.\r\n\r\n");
  }
  sim.putFile(backups + "\\fake.sys", "driver v1");
  for (bool failMove : {false, true}) {
    FakeUpdate updater(sim);
    if (failMove) {
      sim.failNextMove(kErrorAccessDenied);
    } else {
      sim.failNextCopyPartWay(kErrorDiskFull);
    }
    EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterFailed);
    EXPECT_EQ(sim.fileText(backups + "\\fake.sys"), "driver v1");
    EXPECT_TRUE(sim.listDirectory(backups) == std::vector<std::string>{"fake.sys"});
  }
  EXPECT_NE(log().find("fake.sys] 5:Access is denied.\r\n"), std::string::npos);
}

TEST_F(DeviceDriverUpdateTest, BackupDirectoryLimitsAndFailures) {
  // 250 + 10 ("abkBackup\") = 260 is accepted; one more is refused.
  FakeUpdate fits(sim);
  fits.directory = "C:\\" + std::string(246, 'd') + "\\";
  ASSERT_EQ(fits.directory.size(), 250u);
  EXPECT_EQ(std::string(fits.backupDirectory()), fits.directory + "abkBackup\\");

  FakeUpdate tooLong(sim);
  tooLong.directory = "C:\\" + std::string(247, 'd') + "\\";
  EXPECT_EQ(tooLong.backupDirectory(), nullptr);
  EXPECT_EQ(tooLong.backupDriver(), UpdaterStatus::UpdaterFailed);

  FakeUpdate noDirectory(sim);
  noDirectory.directory = "";
  EXPECT_EQ(noDirectory.backupDriver(), UpdaterStatus::UpdaterFailed);

  FakeUpdate noMemory(sim);
  sim.failAllocation();
  EXPECT_EQ(noMemory.backupDirectory(), nullptr);

  EXPECT_EQ(log(),
            "ERROR: Backup path is too long.\r\n"
            "ERROR: Could not retrieve the driver directory.\r\n"
            "ERROR: Could not allocate memory for backup path.\r\n");
}

TEST_F(DeviceDriverUpdateTest, BackupNameWithoutMemory) {
  FakeUpdate updater(sim);
  ASSERT_NE(updater.backupDirectory(), nullptr);
  sim.failAllocation();
  EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterFailed);
  EXPECT_EQ(log(), "ERROR: Could not allocate memory for backup driver name.");
}

}  // namespace
}  // namespace lw
