#include "app/hand_over.h"

#include "ui/resource.h"
#include "platform/sim/sim_test.h"

namespace lw {
namespace {

struct FakeHost : HandOverHost {
  bool wow64 = false;
  bool starts = true;
  uint32_t childExit = 0;
  uint32_t startError = 0;
  int runs = 0;
  int boxes = 0;
  bool underWow64() override { return wow64; }
  bool run64BitProgram(uint32_t* exitCode, uint32_t* error) override {
    ++runs;
    *exitCode = childExit;
    *error = startError;
    return starts;
  }
  void showMissing64BitProgram() override { ++boxes; }
};

class HandOverTest : public SimTest {
 protected:
  std::string log() const { return sim.fileText("C:\\work\\LinkwrightLog.txt"); }
  FakeHost host;
  int exitCode = -1;
};

TEST_F(HandOverTest, NativeProcessRunsItself) {
  EXPECT_EQ(handOverTo64Bit(host, &exitCode), HandOver::RunHere);
  EXPECT_EQ(host.runs + host.boxes, 0);
  EXPECT_FALSE(sim.fileExists("C:\\work\\LinkwrightLog.txt"));
}

TEST_F(HandOverTest, UnderWow64TheChildsExitCodeIsTheRunsAndNothingIsWritten) {
  host.wow64 = true;
  host.childExit = 0xC0000005u;  // a crash code keeps its bits
  EXPECT_EQ(handOverTo64Bit(host, &exitCode), HandOver::HandedOver);
  EXPECT_EQ(static_cast<uint32_t>(exitCode), 0xC0000005u);
  EXPECT_EQ(host.boxes, 0);
  EXPECT_FALSE(sim.fileExists("C:\\work\\LinkwrightLog.txt"));
}

TEST_F(HandOverTest, MissingChildShowsTheBoxLogsWhyAndStops) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 11;
  when.tm_mday = 8;
  when.tm_wday = 2;
  sim.setLocalTime(when);
  sim.putFile("C:\\work\\LinkwrightLog.txt", "earlier run\r\n");
  host.wow64 = true;
  host.starts = false;
  host.startError = kErrorFileNotFound;
  EXPECT_EQ(handOverTo64Bit(host, &exitCode), HandOver::HandedOver);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(host.boxes, 1);
  EXPECT_EQ(log(),
            "earlier run\r\n"
            "----------------------------------\r\n"
            "Beginning Tarvel Brannock Linkwright\r\n"
            "----------------------------------\r\n"
            "*** Tue Dec 08 00:00:00 2026\n"
            "*** Build: " LW_BUILD_CODE
            "\r\n"
            "ERROR: Could not start Linkwright64.exe from the folder of this program. 2: "
            "The system cannot find the file specified.\r\n"
            "Install aborted / failed.\r\n");
}

}  // namespace
}  // namespace lw
