// Driver packages on Windows that want them signed: the simulated Windows
// stages a package as 64-bit Windows 8 and later do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>

#include "app/install_job.h"
#include "signing/x509.h"
#include "updaters/device_driver_update.h"
#include "updaters/signature_errors.h"
#include "tests/support/updater_test_support.h"

namespace lw {
namespace {

constexpr char kSyncInf[] = "C:\\ActiveSync\\drivers\\wceusbsh.inf";
constexpr char kSyncDriver[] = "C:\\ActiveSync\\drivers\\wceusbsh.sys";
constexpr char kStorageInf[] = "C:\\windows\\inf\\usbstor.inf";
constexpr char kStorageDriver[] = "C:\\windows\\system32\\drivers\\usbstor.sys";
constexpr char kPackageParent[] = "C:\\windows\\Temp";

std::string stockInf(const std::string& driver) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile.NTamd64=stock.cat\r\n\r\n"
         "[Manufacturer]\r\n%Generic%=Generic\r\n\r\n[SourceDisksNames]\r\n1=\"disk\"\r\n\r\n"
         "[SourceDisksFiles]\r\n" +
         driver + "=1\r\n\r\n[Strings]\r\nGeneric=\"Generic\"\r\n";
}

// The same text as UTF-16LE with its byte-order mark, as some stock INFs are.
std::string utf16(const std::string& text) {
  std::string wide = "\xFF\xFE";
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), ::tolower);
  return text;
}

class PackageInstallTest : public UpdaterTest {
 protected:
  PackageInstallTest() {
    putVersion(4, 5);
    putInstalledDir(kRegSz, "C:\\ActiveSync");
    sim.putFile(kSyncInf, stockInf("wceusbsh.sys"));
    sim.putFile(kSyncDriver, "sync driver bytes");
    sim.putFile(kStorageInf, utf16(stockInf("usbstor.sys")));
    sim.putFile(kStorageDriver, "storage driver bytes");
    sim.setWindowsVersion(10, 0, 19045);
    sim.enforceDriverSigning(true);
    EXPECT_EQ(job.createUpdaters(), StepResult::StepOk);
  }
  ~PackageInstallTest() override { job.destroyUpdaters(); }

  StepResult install(int index) { return job.updater(index)->installInf(); }
  // What the run leaves in the packages' parent folder.
  std::vector<std::string> packageFolders() { return sim.listDirectory(kPackageParent); }
  bool installedAny() {
    for (const auto& record : sim.oemInstalls()) {
      if (!record.installedPath.empty()) return true;
    }
    return false;
  }

  InstallJob job;
};

TEST_F(PackageInstallTest, BothPackagesAreSignedStagedAndLeaveOnlyTheCertificate) {
  ASSERT_EQ(install(SyncUpdaterIndex), StepResult::StepOk) << log();
  const std::vector<std::string> folders = packageFolders();
  ASSERT_EQ(folders.size(), 1u);
  const std::string folder = std::string(kPackageParent) + "\\" + folders[0];
  EXPECT_EQ(folders[0].size(), std::string("Linkwright-").size() + 32) << folders[0];
  EXPECT_TRUE(sim.isPrivateDirectory(folder));
  EXPECT_EQ(sim.listDirectory(folder),
            (std::vector<std::string>{"abk1a2b.tmp", "linkwright_wceusbsh.cat", "wceusbsh.sys"}));
  // One key for the run, held until its last catalog is signed.
  EXPECT_EQ(sim.liveKeys(), 1);
  ASSERT_EQ(install(StorageUpdaterIndex), StepResult::StepOk) << log();
  EXPECT_EQ(sim.liveKeys(), 0);
  job.finishSigning();

  ASSERT_EQ(sim.oemInstalls().size(), 2u);
  EXPECT_NE(sim.fileText(sim.oemInstalls()[0].installedPath)
                .find("[Version]\r\nCatalogFile=linkwright_wceusbsh.cat\r\nSignature="),
            std::string::npos);
  EXPECT_EQ(sim.fileText(sim.oemInstalls()[1].installedPath).find("stock.cat"), std::string::npos);

  ASSERT_EQ(sim.storeCertificates(CertStore::Root).size(), 1u);
  EXPECT_EQ(sim.storeCertificates(CertStore::TrustedPublisher),
            sim.storeCertificates(CertStore::Root));
  Certificate certificate;
  ASSERT_TRUE(parseCertificate(sim.storeCertificates(CertStore::Root)[0], &certificate));
  EXPECT_TRUE(certificate.codeSigningUsage);
  EXPECT_EQ(certificate.notBefore.day, 8);
  EXPECT_EQ(certificate.notAfter.year, 2099);
  std::string thumb;
  for (uint8_t b : thumbprint(certificate)) {
    thumb += "0123456789ABCDEF"[b >> 4];
    thumb += "0123456789ABCDEF"[b & 15];
  }
  const std::string prefix =
      "Path of temporary wceusbsh inf file is [" + folder +
      "\\abk1A2B.tmp].\r\n"
      "Creating a copy of wceusbsh inf file.\r\n"
      "Created driver signing certificate [CN=Linkwright local driver signer], "
      "thumbprint [" +
      thumb +
      "].\r\n"
      "Added driver signing certificate [" +
      thumb +
      "] to the local machine's [Root] store.\r\n"
      "Added driver signing certificate [" +
      thumb +
      "] to the local machine's [TrustedPublisher] store.\r\n"
      "Signed catalog [" +
      folder +
      "\\linkwright_wceusbsh.cat] for wceusbsh inf file.\r\n"
      "Created wceusbsh oemxx.inf file [C:\\windows\\inf\\oem0.inf].\r\n";
  // The simulated drive keeps names in lower case; the log as they were asked for.
  EXPECT_NE(lowered(log()).find(lowered(prefix)), std::string::npos) << log();

  job.destroyUpdaters();
  EXPECT_TRUE(packageFolders().empty());
  EXPECT_EQ(sim.storeCertificates(CertStore::Root).size(), 1u);
}

TEST_F(PackageInstallTest, ATakenFolderNameIsNeverUsed) {
  sim.setRandomSeed(7);
  uint8_t random[16];
  sim.randomBytes(random, sizeof random);
  std::string taken = "Linkwright-";
  for (uint8_t b : random) {
    taken += "0123456789abcdef"[b >> 4];
    taken += "0123456789abcdef"[b & 15];
  }
  sim.putFile(std::string(kPackageParent) + "\\" + taken + "\\other.txt", "someone else's");
  sim.setRandomSeed(7);
  ASSERT_EQ(install(SyncUpdaterIndex), StepResult::StepOk) << log();
  EXPECT_EQ(packageFolders().size(), 2u);
  job.destroyUpdaters();
  // The simulated drive keeps names in lower case.
  EXPECT_EQ(packageFolders(), std::vector<std::string>{lowered(taken)});
  EXPECT_EQ(sim.fileText(std::string(kPackageParent) + "\\" + taken + "\\other.txt"),
            "someone else's");
}

struct Fault {
  const char* name;
  std::function<void(SimPlatform&)> inject;
  const char* line;
  bool bothUpdaters;  // the fault strikes the second package
};

class PackageFaultTest : public PackageInstallTest, public ::testing::WithParamInterface<Fault> {};

// Each failing step logs its line, installs nothing and leaves no key, no
// folder and, when no package needs it, no certificate.
TEST_P(PackageFaultTest, InstallsNothingAndLeavesNothing) {
  const Fault& fault = GetParam();
  if (fault.bothUpdaters) {
    ASSERT_EQ(install(SyncUpdaterIndex), StepResult::StepOk) << log();
  }
  const size_t installs = sim.oemInstalls().size();
  fault.inject(sim);
  EXPECT_EQ(install(fault.bothUpdaters ? StorageUpdaterIndex : SyncUpdaterIndex),
            StepResult::StepFailed);
  EXPECT_NE(log().find(fault.line), std::string::npos) << log();
  EXPECT_EQ(sim.oemInstalls().size(), installs);
  job.finishSigning();
  job.destroyUpdaters();
  EXPECT_EQ(sim.liveKeys(), 0);
  EXPECT_TRUE(packageFolders().empty());
  const size_t expectedCertificates = fault.bothUpdaters ? 1 : 0;
  EXPECT_EQ(sim.storeCertificates(CertStore::Root).size(), expectedCertificates);
  EXPECT_EQ(sim.storeCertificates(CertStore::TrustedPublisher).size(), expectedCertificates);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, PackageFaultTest,
    ::testing::Values(
        Fault{"Folder", [](SimPlatform& s) { s.failNextPrivateDirectory(kErrorAccessDenied); },
              "ERROR: Could not create a folder for the wceusbsh driver package 5: Access is "
              "denied.\r\n",
              false},
        Fault{"Certificate", [](SimPlatform& s) { s.failNextSigner(kErrorNotEnoughMemory); },
              "ERROR: Could not create the driver signing certificate 8: Not enough memory", false},
        Fault{"StoreAdd",
              [](SimPlatform& s) {
                s.failNextStoreAdd(CertStore::TrustedPublisher, kErrorAccessDenied);
              },
              "ERROR: Could not add the driver signing certificate to the local machine's "
              "[TrustedPublisher] store 5: Access is denied.\r\n",
              false},
        Fault{"Signing", [](SimPlatform& s) { s.failNextSignature(kErrorNotEnoughMemory); },
              "ERROR: Could not sign the driver package's catalog 8: Not enough memory", false},
        Fault{"KeyDestruction",
              [](SimPlatform& s) { s.failNextKeyDestruction(kErrorAccessDenied); },
              "ERROR: Could not destroy the driver signing key 5: Access is denied.\r\n", true},
        Fault{"MissingDriver", [](SimPlatform& s) { s.deleteFile(kSyncDriver); },
              "ERROR: Could not copy driver file [C:\\ActiveSync\\drivers\\wceusbsh.sys] into the "
              "driver package 2: The system cannot find the file specified.\r\n",
              false},
        Fault{"Verification",
              [](SimPlatform& s) {
                // Something changes a packaged file between signing and Setup.
                s.beforeNextLockedOpen([&s] {
                  const std::string folder =
                      std::string(kPackageParent) + "\\" + s.listDirectory(kPackageParent)[0];
                  s.putFile(folder + "\\wceusbsh.sys", "other bytes");
                });
              },
              "ERROR: The driver package did not pass its signature check [a file does not match "
              "the catalog].\r\n",
              false}),
    [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

TEST_F(PackageInstallTest, TheStagingPolicyRefusesAPackageWithoutCatalogAndSaysWhy) {
  // As the program installed before it signed packages.
  sim.setWindowsVersion(5, 2);
  sim.putFile(kSyncInf, "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
  EXPECT_EQ(install(SyncUpdaterIndex), StepResult::StepFailed);
  const std::string refusal =
      "ERROR: Could not copy temporary file as oemxx.inf -536870353: The third-party INF does not "
      "contain digital signature information.\r\n\r\n"
      "Windows refused the driver package's signature: see \"If Windows refuses the driver "
      "package\" in README.txt.\r\n";
  EXPECT_NE(log().find(refusal), std::string::npos) << log();
  // A trusted publisher's catalog is information, not a refusal.
  sim.failNextOemInstall(kErrorAuthenticodeTrustedPublisher);
  EXPECT_EQ(install(StorageUpdaterIndex), StepResult::StepFailed);
  EXPECT_EQ(log().find("refused", log().find(refusal) + refusal.size()), std::string::npos);
}

}  // namespace
}  // namespace lw
