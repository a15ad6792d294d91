#include "app/hand_over.h"

#include <algorithm>
#include <string>

#include "app/run_sequence.h"
#include "tests/support/sim_test.h"
#include "signing/pe_image_hash.h"
#include "tests/support/test_pe.h"
#include "app/version.h"

namespace lw {
namespace {

constexpr char kProgram64[] = "C:\\prog\\Linkwright64.exe";
constexpr char kLog[] = "C:\\work\\LinkwrightLog.txt";

struct FakeHost : HandOverHost {
  SimPlatform& sim;
  explicit FakeHost(SimPlatform& s) : sim(s) {}
  bool wow64 = true;
  uint32_t pathError = kErrorSuccess;
  ChildRun outcome = ChildRun::Ended;
  uint32_t childExit = 0;
  uint32_t runError = kErrorSuccess;
  int runs = 0;
  bool heldWhileRunning = false;
  std::vector<HandOverFailure> boxes;
  std::string logAtBox;
  bool underWow64() override { return wow64; }
  uint32_t pathBesideProgram(const char* file, char (&path)[kHandOverPathSize]) override {
    EXPECT_STREQ(file, "Linkwright64.exe");
    std::copy(kProgram64, kProgram64 + sizeof kProgram64, path);
    return pathError;
  }
  ChildRun run(const char* path, uint32_t* exitCode, uint32_t* error) override {
    ++runs;
    heldWhileRunning = sim.isLocked(path);
    *exitCode = childExit;
    *error = runError;
    return outcome;
  }
  void showFailure(const HandOverProgram&, HandOverFailure why) override {
    boxes.push_back(why);
    logAtBox = sim.fileText(kLog);
  }
};

class HandOverTest : public SimTest {
 protected:
  HandOverTest() {
    const Bytes image = test_pe::buildPe(true);
    Bytes hash;
    peImageHash(image.data(), image.size(), HashAlgorithm::Sha256, &hash);
    std::copy(hash.begin(), hash.end(), pin.begin());
    putProgram(image);
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_wday = 2;
    sim.setLocalTime(when);
  }
  void putProgram(const Bytes& image) {
    sim.putFile(kProgram64, std::string(image.begin(), image.end()));
  }
  std::string log() const { return sim.fileText(kLog); }
  HandOver handOver() { return handOverTo64Bit(host, kWizardProgram, pin, &exitCode); }
  FakeHost host{sim};
  Sha256Digest pin{};
  int exitCode = -1;
};

const char kBanner[] =
    "----------------------------------\r\n"
    "Beginning Tarvel Brannock Linkwright\r\n"
    "----------------------------------\r\n"
    "*** Tue Dec 08 00:00:00 2026\n"
    "*** Build: " LW_BUILD_CODE "\r\n";
const char kAborted[] = "Install aborted / failed.\r\n";

TEST_F(HandOverTest, NativeProcessRunsItself) {
  host.wow64 = false;
  EXPECT_EQ(handOver(), HandOver::RunHere);
  EXPECT_EQ(host.runs, 0);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_FALSE(sim.fileExists(kLog));
}

// Signed after the build, the program keeps its pin; it is held against
// writers while it runs, and the run writes nothing.
TEST_F(HandOverTest, ThePinnedProgramRunsSignedOrNotAndItsExitCodeIsTheRuns) {
  host.childExit = 0xC0000005u;  // a crash code keeps its bits
  for (bool signedLater : {false, true}) {
    if (signedLater) putProgram(test_pe::withCertificateTable(test_pe::buildPe(true), true));
    EXPECT_EQ(handOver(), HandOver::HandedOver);
    EXPECT_EQ(static_cast<uint32_t>(exitCode), 0xC0000005u);
  }
  EXPECT_EQ(host.runs, 2);
  EXPECT_TRUE(host.heldWhileRunning);
  EXPECT_FALSE(sim.isLocked(kProgram64));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_FALSE(sim.fileExists(kLog));
}

// The banner and the reason are in the log before the box is shown; the
// abort line follows it.
TEST_F(HandOverTest, FailuresLogTheBannerAndReasonBeforeTheBox) {
  const struct {
    uint32_t pathError;
    ChildRun outcome;
    uint32_t runError;
    HandOverFailure box;
    const char* reason;
  } cases[] = {
      {kErrorFileNotFound, ChildRun::Ended, 0, HandOverFailure::Missing,
       "ERROR: Could not start Linkwright64.exe from the folder of this program. 2: The system "
       "cannot find the file specified.\r\n\r\n"},
      {kErrorFilenameExcedRange, ChildRun::Ended, 0, HandOverFailure::PathTooLong,
       "ERROR: Could not start Linkwright64.exe from the folder of this program. 206: The "
       "filename or extension is too long.\r\n\r\n"},
      {kErrorSuccess, ChildRun::NotStarted, kErrorElevationRequired, HandOverFailure::NotElevated,
       "ERROR: Could not start Linkwright64.exe from the folder of this program. 740: The "
       "requested operation requires elevation.\r\n\r\n"},
      {kErrorSuccess, ChildRun::NotStarted, kErrorAccessDenied, HandOverFailure::CannotStart,
       "ERROR: Could not start Linkwright64.exe from the folder of this program. 5: Access is "
       "denied.\r\n\r\n"},
  };
  for (const auto& c : cases) {
    sim.deleteFile(kLog);
    host.pathError = c.pathError;
    host.outcome = c.outcome;
    host.runError = c.runError;
    host.boxes.clear();
    EXPECT_EQ(handOver(), HandOver::HandedOver);
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(host.boxes == std::vector<HandOverFailure>{c.box});
    EXPECT_EQ(host.logAtBox, std::string(kBanner) + c.reason);
    EXPECT_EQ(log(), std::string(kBanner) + c.reason + kAborted);
    EXPECT_FALSE(sim.isLocked(kProgram64));
  }
}

// Nothing but the pinned program is started, whatever stands in its place.
TEST_F(HandOverTest, AnythingElseUnderItsNameIsNotStarted) {
  const std::string notOurs =
      "ERROR: Linkwright64.exe beside this program is not the one built with it, and was not "
      "started [C:\\prog\\Linkwright64.exe].\r\n";
  const std::string linked =
      "ERROR: Linkwright64.exe beside this program is a link or has a second name, and was not "
      "started [C:\\prog\\Linkwright64.exe].\r\n";
  const std::string folder =
      "ERROR: Could not start Linkwright64.exe from the folder of this program. 5: Access is "
      "denied.\r\n\r\n";
  const struct {
    void (*plant)(SimPlatform&);
    const std::string& reason;
    HandOverFailure box;
  } cases[] = {
      {[](SimPlatform& s) { s.putFile(kProgram64, ""); }, notOurs, HandOverFailure::NotOurs},
      {[](SimPlatform& s) {
         const Bytes pe32 = test_pe::buildPe(false);  // a 32-bit program
         s.putFile(kProgram64, std::string(pe32.begin(), pe32.end()));
       },
       notOurs, HandOverFailure::NotOurs},
      {[](SimPlatform& s) { s.makeHardLink("C:\\prog\\second.exe", kProgram64); }, linked,
       HandOverFailure::NotOurs},
      {[](SimPlatform& s) {
         s.moveFileReplacing(kProgram64, "C:\\prog\\real.exe");
         s.makeSymbolicLink(kProgram64, "C:\\prog\\real.exe");
       },
       linked, HandOverFailure::NotOurs},
      {[](SimPlatform& s) {
         s.deleteFile(kProgram64);
         s.makeDirectory(kProgram64);
       },
       folder, HandOverFailure::CannotStart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    sim.deleteFile(kLog);
    host.boxes.clear();
    c.plant(sim);
    EXPECT_EQ(handOver(), HandOver::HandedOver);
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(host.boxes == std::vector<HandOverFailure>{c.box});
    EXPECT_EQ(log(), std::string(kBanner) + c.reason + kAborted);
    sim.removeDirectory(kProgram64);
    sim.deleteFile(kProgram64);
    putProgram(test_pe::buildPe(true));
  }
  EXPECT_EQ(host.runs, 0);
}

// A child that runs but cannot be waited for shows its own pages: no box,
// and it is not reported as not started.
TEST_F(HandOverTest, AChildThatCannotBeAwaitedIsLoggedWithoutABox) {
  host.outcome = ChildRun::NotAwaited;
  host.runError = kErrorAccessDenied;
  EXPECT_EQ(handOver(), HandOver::HandedOver);
  EXPECT_EQ(exitCode, 1);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(log(), std::string(kBanner) +
                       "ERROR: Could not wait for Linkwright64.exe to end. 5: Access is "
                       "denied.\r\n\r\n" +
                       kAborted);
}

}  // namespace
}  // namespace lw
