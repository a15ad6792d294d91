#include "removal/leftovers.h"

#include "removal/removal_run.h"

#include "tests/support/updater_test_support.h"
#include "updaters/package_signer.h"

namespace lw {
namespace {

constexpr char kInf[] = "C:\\windows\\inf\\";
constexpr char kUsbFlags[] = "SYSTEM\\CurrentControlSet\\Control\\UsbFlags";

class LeftoversTest : public UpdaterTest {
 protected:
  LeftoversTest() {
    sim.setWindowsVersion(10, 0);
    ours = enginePatched(VendorTableKind::Storage, false, kStockLikeInf) +
           "CatalogFile=linkwright_usbstor.cat\r\n";
    sim.putFile(std::string(kInf) + "oem0.inf", ours);
    sim.putFile(std::string(kInf) + "usbstor.inf", kStockLikeInf);
    SignerHandle signer = sim.createSigner(kSignerName, {2026, 1, 1}, {2027, 1, 1});
    for (CertStore store : {CertStore::Root, CertStore::TrustedPublisher}) {
      sim.addSignerCertificate(signer, store);
    }
    sim.signerCertificate(signer, &signerDer);
    sim.closeSigner(signer);
    SignerHandle other = sim.createSigner("Someone else", {2026, 1, 1}, {2027, 1, 1});
    Bytes otherDer;
    sim.signerCertificate(other, &otherDer);
    sim.putStoreCertificate(CertStore::Root, otherDer, kSignerName);  // its name, not ours
    sim.closeSigner(other);
    sim.putValue(RegRoot::LocalMachine, kUsbFlags, "IgnoreHWSerNum5E2D0001", kRegBinary, "\x01");
    sim.putValue(RegRoot::LocalMachine, kUsbFlags, "IgnoreHWSerNum04F20001", kRegBinary, "\x01");
  }
  std::string ours;
  Bytes signerDer;
};

TEST_F(LeftoversTest, FindsOnlyWhatLinkwrightLeftAndRemovesIt) {
  sim.putFile(std::string(kInf) + "oem1.inf", ours);
  sim.refuseReading(std::string(kInf) + "oem1.inf");
  Leftovers found = findLeftovers();
  EXPECT_NE(log().find("WARNING: Could not read [C:\\windows\\inf\\oem1.inf], so it is not counted "
                       "as Linkwright's.\r\n"),
            std::string::npos);
  EXPECT_EQ(found.infs, std::vector<std::string>{"C:\\windows\\inf\\oem0.inf"});
  ASSERT_EQ(found.certificates.size(), 2u);
  EXPECT_EQ(found.certificates[0].der, signerDer);
  EXPECT_EQ(found.flagValues, std::vector<std::string>{"IgnoreHWSerNum5E2D0001"});
  EXPECT_EQ(removeLeftovers(found), RemovalResult::Removed);
  EXPECT_FALSE(sim.fileExists(std::string(kInf) + "oem0.inf"));
  EXPECT_TRUE(sim.fileExists(std::string(kInf) + "usbstor.inf"));
  EXPECT_EQ(sim.storeCertificates(CertStore::Root).size(), 1u);  // the other signer's
  EXPECT_TRUE(sim.storeCertificates(CertStore::TrustedPublisher).empty());
  EXPECT_TRUE(sim.hasValue(RegRoot::LocalMachine, kUsbFlags, "IgnoreHWSerNum04F20001"));
  EXPECT_FALSE(sim.hasValue(RegRoot::LocalMachine, kUsbFlags, "IgnoreHWSerNum5E2D0001"));
  const std::string thumb = found.certificates[0].thumbprint;
  EXPECT_NE(log().find("Removed driver signing certificate [" + thumb +
                       "] from the local machine's [TrustedPublisher] store.\r\n"),
            std::string::npos);
  EXPECT_TRUE(findLeftovers().empty());
  EXPECT_NE(log().find("Found nothing that Linkwright installed.\r\n"), std::string::npos);
}

// A package that stays keeps its certificates, whether Setup said so or
// reported a success that left the file.
TEST_F(LeftoversTest, APackageThatStaysKeepsTheCertificates) {
  for (bool reportsSuccess : {false, true}) {
    if (reportsSuccess) {
      sim.leaveNextUninstalledInf();
    } else {
      sim.failNextUninstall(kErrorAccessDenied);
    }
    EXPECT_EQ(removeLeftovers(findLeftovers()), RemovalResult::Failed);
    EXPECT_TRUE(sim.fileExists(std::string(kInf) + "oem0.inf"));
    EXPECT_EQ(sim.storeCertificates(CertStore::TrustedPublisher).size(), 1u);
  }
  EXPECT_NE(log().find("ERROR: Could not remove inf file [C:\\windows\\inf\\oem0.inf] 5: Access is "
                       "denied.\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(log().find("ERROR: Inf file is still there after its removal "
                       "[C:\\windows\\inf\\oem0.inf].\r\n"
                       "Kept the driver signing certificates: a package they signed may still "
                       "be installed.\r\n"),
            std::string::npos);
}

struct FakePage : RemovalPage {
  bool remove = true;
  std::string shown;
  void offer(const Leftovers&, const std::function<RemovalResult()>& removal) override {
    shown += "list ";
    if (remove) shown += removal() == RemovalResult::Removed ? "removed " : "failed ";
  }
  void showNothingFound() override { shown += "nothing "; }
  void showOutcome(RemovalResult result) override {
    shown += result == RemovalResult::Removed ? "removed " : "failed ";
  }
};

// Cancel changes nothing; a removal that fails, and only that, ends with 1.
TEST_F(LeftoversTest, TheRunsPagesLogAndExitCodes) {
  FakePage page;
  page.remove = false;
  EXPECT_EQ(runRemoval(page), RemovalExit::Stopped);
  EXPECT_TRUE(sim.fileExists(std::string(kInf) + "oem0.inf"));
  sim.failNextUninstall(kErrorAccessDenied);
  page.remove = true;
  EXPECT_EQ(runRemoval(page), RemovalExit::Stopped);
  EXPECT_EQ(runRemoval(page), RemovalExit::Done);
  EXPECT_EQ(runRemoval(page), RemovalExit::Done);
  EXPECT_EQ(page.shown, "list list failed list removed nothing ");
  const std::string text = log();
  EXPECT_NE(text.find("Beginning Tarvel Brannock Linkwright Removal\r\n"), std::string::npos);
  for (const char* line :
       {"Removal cancelled.\r\n", "Removal aborted / failed.\r\n", "Removal complete.\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  const std::string last = "Found nothing that Linkwright installed.\r\n";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

// What could not be looked at may still be there: never "nothing found" or
// a success, and no certificate goes while the packages are unknown.
TEST_F(LeftoversTest, ASearchThatFailsIsNeverASuccess) {
  FakePage page;
  sim.refuseReading("C:\\windows\\inf");
  EXPECT_EQ(runRemoval(page), RemovalExit::Stopped);
  EXPECT_EQ(sim.storeCertificates(CertStore::Root).size(), 2u);
  EXPECT_FALSE(sim.hasValue(RegRoot::LocalMachine, kUsbFlags, "IgnoreHWSerNum5E2D0001"));
  for (CertStore store : {CertStore::Root, CertStore::TrustedPublisher}) {
    sim.deleteStoreCertificate(store, signerDer);
  }
  EXPECT_EQ(runRemoval(page), RemovalExit::Stopped);
  EXPECT_EQ(page.shown, "list failed failed ");
  const std::string text = log();
  EXPECT_NE(text.find("ERROR: Could not list the Windows inf folder 5: Access is denied.\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Found nothing"), std::string::npos);
}

}  // namespace
}  // namespace lw
