// The updater pair against Wine's real registry, file system and Setup API:
// a prefix seeded with ActiveSync 4.5, stock-like INF files and driver
// files, driven as the install worker drives it.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/install_job.h"
#include "app/log.h"
#include "hostcfg/activesync.h"
#include "hostcfg/generic_device_flags.h"
#include "platform/win32/win32_platform.h"
#include "updaters/device_driver_update.h"
#include "updaters/package_signer.h"
#include "updaters/usbstor_update.h"

namespace lw {
namespace {

constexpr char kWorkDir[] = "C:\\lwtest";
constexpr char kActiveSyncDir[] = "C:\\Program Files\\ActiveSync";
constexpr char kSyncInf[] = "C:\\Program Files\\ActiveSync\\drivers\\wceusbsh.inf";
constexpr char kSyncDriver[] = "C:\\Program Files\\ActiveSync\\drivers\\wceusbsh.sys";
constexpr char kStorageInf[] = "C:\\windows\\inf\\usbstor.inf";
constexpr char kStorageDriver[] = "C:\\windows\\system32\\drivers\\usbstor.sys";
constexpr char kUsbFlags[] = "SYSTEM\\CurrentControlSet\\Control\\UsbFlags";

std::string readBytes(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

// A stock-like INF of the end-to-end fixtures ([Version] with a Signature
// and no CatalogFile, which Wine's SetupCopyOEMInfA would insist on).
std::string fixture(const char* name) {
  std::string path = std::string("Z:" LW_E2E_FIXTURES "/") + name;
  std::string bytes = readBytes(path);
  EXPECT_FALSE(bytes.empty()) << path;
  return bytes;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void setValue(HKEY root, const char* key, const char* name, DWORD type, const void* data,
              DWORD size) {
  HKEY handle;
  ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(handle);
}

void setDword(HKEY root, const char* key, const char* name, DWORD value) {
  setValue(root, key, name, REG_DWORD, &value, sizeof value);
}

// The value's bytes, or "<none>".
std::string valueBytes(HKEY root, const char* key, const char* name) {
  char data[64];
  DWORD size = sizeof data;
  if (RegGetValueA(root, key, name, RRF_RT_ANY, nullptr, data, &size) != ERROR_SUCCESS) {
    return "<none>";
  }
  return std::string(data, size);
}

// The OEM INF name a "Created <driver> oemxx.inf file [...]" line reports.
std::string createdName(const std::string& log, const std::string& driver) {
  const std::string start = "Created " + driver + " oemxx.inf file [";
  size_t at = log.find(start);
  if (at == std::string::npos) return "";
  at += start.size();
  return log.substr(at, log.find("].\r\n", at) - at);
}

// The engine's output as a package names its catalog: one line after the
// [Version] header.
std::string namingCatalog(std::string patched, const std::string& catalog) {
  const std::string header = "[Version]\r\n";
  const size_t at = patched.find(header);
  if (at != std::string::npos)
    patched.insert(at + header.size(), "CatalogFile=" + catalog + "\r\n");
  return patched;
}

// What the Windows build of linkwright-infpatch makes of `input`.
std::string toolOutput(const char* table, const std::string& input, const std::string& output) {
  std::string tool = "Z:" LW_INFPATCH_EXE;
  for (char& c : tool) {
    if (c == '/') c = '\\';
  }
  std::string command =
      "\"" + tool + "\" --table " + table + " \"" + input + "\" \"" + output + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << tool << ": " << GetLastError();
    return "";
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 0u) << command;
  return readBytes(output);
}

size_t temporaryFiles() {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(dir) + "abk*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  do {
    ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

// The real Windows with another program of the same user beside it. It may
// append a section to the patched copy right before the updater holds it,
// as a watcher of the temporary folder did; and when Setup is asked to
// install, it tries to open the source for writing, which the updater's
// hold must refuse.
class OtherProgramBeside : public Win32Platform {
 public:
  FileHandle openReadLocked(const char* path) override {
    if (appendSection) {
      HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      const char section[] = "\r\n[Planted]\r\nHKR,,Planted,,1\r\n";
      DWORD put = 0;
      if (file != INVALID_HANDLE_VALUE &&
          WriteFile(file, section, sizeof section - 1, &put, nullptr)) {
        ++sectionsAppended;
      }
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return Win32Platform::openReadLocked(path);
  }
  bool copyOemInf(const char* sourceInf, const char* mediaLocation, uint32_t mediaType,
                  uint32_t copyStyle, char* destName, uint32_t destSize) override {
    HANDLE writer = CreateFileA(sourceInf, GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writer == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
      ++installsOfAHeldSource;
    }
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    return Win32Platform::copyOemInf(sourceInf, mediaLocation, mediaType, copyStyle, destName,
                                     destSize);
  }

  bool appendSection = false;
  int sectionsAppended = 0;
  int installsOfAHeldSource = 0;
};

TEST(UpdatersUnderWine, BackUpPatchAndInstallBothDrivers) {
  OtherProgramBeside win32;
  setPlatform(&win32);
  ASSERT_TRUE(CreateDirectoryA(kWorkDir, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(SetCurrentDirectoryA(kWorkDir));

  setDword(HKEY_LOCAL_MACHINE, activeSyncKeyPath, "MajorVersion", 4);
  setDword(HKEY_LOCAL_MACHINE, activeSyncKeyPath, "MinorVersion", 5);
  setValue(HKEY_LOCAL_MACHINE, activeSyncKeyPath, "InstalledDir", REG_SZ, kActiveSyncDir,
           sizeof kActiveSyncDir);
  CreateDirectoryA(kActiveSyncDir, nullptr);
  CreateDirectoryA((std::string(kActiveSyncDir) + "\\drivers").c_str(), nullptr);
  const std::string stockSync = fixture("wceusbsh.inf");
  const std::string stockStorage = fixture("usbstor.inf");
  writeBytes(kSyncInf, stockSync);
  writeBytes(kSyncDriver, "sync driver bytes");
  writeBytes(kStorageInf, stockStorage);
  writeBytes(kStorageDriver, "storage driver bytes");
  const size_t temporaryBefore = temporaryFiles();

  openLog();
  InstallJob job;
  ASSERT_EQ(job.createUpdaters(), StepResult::StepOk);
  DeviceDriverUpdate* sync = job.updater(SyncUpdaterIndex);
  DeviceDriverUpdate* storage = job.updater(StorageUpdaterIndex);
  EXPECT_STREQ(sync->infPath(), kSyncInf);
  EXPECT_STREQ(storage->infPath(), kStorageInf);

  EXPECT_EQ(sync->backupDriver(), UpdaterStatus::UpdaterOk);
  EXPECT_EQ(storage->backupDriver(), UpdaterStatus::UpdaterOk);
  EXPECT_EQ(readBytes(std::string(kActiveSyncDir) + "\\drivers\\abkBackup\\wceusbsh.sys"),
            "sync driver bytes");
  EXPECT_EQ(readBytes("C:\\windows\\system32\\drivers\\abkBackup\\usbstor.sys"),
            "storage driver bytes");

  EXPECT_EQ(sync->installInf(), StepResult::StepOk);
  EXPECT_EQ(storage->installInf(), StepResult::StepOk);
  EXPECT_EQ(win32.installsOfAHeldSource, 2);
  closeLog();
  const std::string log = readBytes(std::string(kWorkDir) + "\\LinkwrightLog.txt");
  EXPECT_EQ(log.find("ActiveSync major version is 4\r\nActiveSync minor version is 5\r\n"), 0u)
      << log;
  const std::string syncOem = createdName(log, "wceusbsh");
  const std::string storageOem = createdName(log, "usbstor");
  ASSERT_FALSE(syncOem.empty()) << log;
  ASSERT_FALSE(storageOem.empty()) << log;
  EXPECT_NE(syncOem, storageOem);

  // The installed copies hold exactly what the support tool makes of the
  // same stock files, but for the catalog that Windows 7 asks them to name;
  // the stock files are unchanged.
  const std::string syncInstalled = readBytes(syncOem);
  const std::string storageInstalled = readBytes(storageOem);
  EXPECT_EQ(syncInstalled,
            namingCatalog(toolOutput("sync", kSyncInf, std::string(kWorkDir) + "\\sync.inf"),
                          "linkwright_wceusbsh.cat"));
  EXPECT_EQ(storageInstalled, namingCatalog(toolOutput("storage", kStorageInf,
                                                       std::string(kWorkDir) + "\\storage.inf"),
                                            "linkwright_usbstor.cat"));
  EXPECT_NE(syncInstalled.find("[Brannock]\r\n"), std::string::npos);
  EXPECT_EQ(readBytes(kSyncInf), stockSync);
  EXPECT_EQ(readBytes(kStorageInf), stockStorage);

  // Setup itself reads the vendor's models section back.
  for (const std::string& installed : {syncOem, storageOem}) {
    HINF inf = SetupOpenInfFileA(installed.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE) << installed;
    INFCONTEXT line;
    EXPECT_TRUE(SetupFindFirstLineA(inf, "Brannock", nullptr, &line)) << installed;
    SetupCloseInfFile(inf);
  }

  job.destroyUpdaters();
  EXPECT_EQ(temporaryFiles(), temporaryBefore);
  setPlatform(nullptr);
}

size_t filesIn(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

TEST(UpdatersUnderWine, ACopyChangedBeforeTheInstallIsNotInstalled) {
  OtherProgramBeside win32;
  win32.appendSection = true;
  setPlatform(&win32);
  writeBytes(kStorageInf, fixture("usbstor.inf"));
  const size_t installedBefore = filesIn("C:\\windows\\inf");
  const size_t temporaryBefore = temporaryFiles();
  openLog();
  const std::string logBefore = readBytes(logFilePath());
  std::string temp;
  {
    PackageSigner signer(1);
    UsbstorUpdate updater;
    updater.useSigner(&signer);
    EXPECT_EQ(updater.installInf(), StepResult::StepFailed);
    temp = updater.tempInfPath();
  }
  closeLog();
  EXPECT_EQ(win32.sectionsAppended, 1);
  EXPECT_EQ(win32.installsOfAHeldSource, 0);  // Setup was never asked
  const std::string log = readBytes(logFilePath()).substr(logBefore.size());
  EXPECT_NE(log.find("ERROR: Could not verify the patched inf file before installing it [" + temp +
                     "].\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(filesIn("C:\\windows\\inf"), installedBefore);
  EXPECT_EQ(temporaryFiles(), temporaryBefore);
  setPlatform(nullptr);
}

TEST(UpdatersUnderWine, AFailedBackupKeepsTheEarlierOne) {
  Win32Platform win32;
  setPlatform(&win32);
  const std::string backups = "C:\\windows\\system32\\drivers\\abkBackup";
  const std::string backup = backups + "\\usbstor.sys";
  CreateDirectoryA(backups.c_str(), nullptr);
  writeBytes(backup, "the earlier backup");
  writeBytes(kStorageDriver, "storage driver, a newer one");

  // A driver that cannot be read: the copy fails, and the copy made for it
  // beside the backup is gone again.
  HANDLE locked = CreateFileA(kStorageDriver, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  {
    UsbstorUpdate updater;
    EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterFailed);
  }
  CloseHandle(locked);
  EXPECT_EQ(readBytes(backup), "the earlier backup");
  EXPECT_EQ(filesIn(backups), 1u);

  {
    // The next run's backup takes the earlier one's place.
    UsbstorUpdate updater;
    EXPECT_EQ(updater.backupDriver(), UpdaterStatus::UpdaterOk);
  }
  EXPECT_EQ(readBytes(backup), "storage driver, a newer one");
  EXPECT_EQ(filesIn(backups), 1u);
  setPlatform(nullptr);
}

TEST(UpdatersUnderWine, GenericDeviceFlagsLeaveOtherVendorsAlone) {
  Win32Platform win32;
  setPlatform(&win32);
  const BYTE one = 1;
  setValue(HKEY_LOCAL_MACHINE, kUsbFlags, "IgnoreHWSerNum04110001", REG_BINARY, &one, 1);

  EXPECT_TRUE(writeGenericDeviceFlags(true));
  for (const char* id : {"0001", "0004", "0006", "0008", "000e", "0010"}) {
    EXPECT_EQ(
        valueBytes(HKEY_LOCAL_MACHINE, kUsbFlags, (std::string("IgnoreHWSerNum5E2D") + id).c_str()),
        "\x01")
        << id;
  }
  EXPECT_TRUE(writeGenericDeviceFlags(false));
  EXPECT_EQ(valueBytes(HKEY_LOCAL_MACHINE, kUsbFlags, "IgnoreHWSerNum5E2D0001"), "<none>");
  EXPECT_EQ(valueBytes(HKEY_LOCAL_MACHINE, kUsbFlags, "IgnoreHWSerNum5E2D000e"), "<none>");
  EXPECT_EQ(valueBytes(HKEY_LOCAL_MACHINE, kUsbFlags, "IgnoreHWSerNum04110001"), "\x01");
  setPlatform(nullptr);
}

TEST(UpdatersUnderWine, UsbIsSwitchedOnForTheCurrentUser) {
  Win32Platform win32;
  setPlatform(&win32);
  setDword(HKEY_CURRENT_USER, activeSyncKeyPath, "ConnectTypesAllowed", 0x3);
  EXPECT_EQ(enableActiveSyncUsb(), UsbSettingResult::UsbOk);
  EXPECT_EQ(valueBytes(HKEY_CURRENT_USER, activeSyncKeyPath, "ConnectTypesAllowed"),
            std::string("\x0B\0\0\0", 4));
  setPlatform(nullptr);
}

}  // namespace
}  // namespace lw
