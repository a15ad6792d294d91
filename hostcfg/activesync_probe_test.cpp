#include <string>
#include <vector>

#include "hostcfg/activesync.h"
#include "tests/support/logged_sim_test.h"

namespace lw {
namespace {

// The fixture resets the process's state after each test, so the probe's
// cache starts empty.
class ActiveSyncProbeTest : public LoggedSimTest {
 protected:
  void putVersion(uint32_t major, uint32_t minor) {
    sim.putDword(RegRoot::LocalMachine, activeSyncKey, "MajorVersion", major);
    sim.putDword(RegRoot::LocalMachine, activeSyncKey, "MinorVersion", minor);
  }
};

TEST_F(ActiveSyncProbeTest, KeyPathIsTheSharedConstant) {
  EXPECT_STREQ(activeSyncKeyPath, "Software\\Microsoft\\Windows CE Services");
}

TEST_F(ActiveSyncProbeTest, Version30IsUnsupportedAfterBothVersionLines) {
  putVersion(3, 0);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Unsupported);
  EXPECT_EQ(log(),
            "ActiveSync major version is 3\r\n"
            "ActiveSync minor version is 0\r\n"
            "WARNING: Unsupported ActiveSync version.\r\n");
  EXPECT_EQ(sim.keyOpenings(), std::vector<std::string>{
                                   "open HKLM\\Software\\Microsoft\\Windows CE Services 0x20019"});
  EXPECT_EQ(sim.openKeys(), 0);
}

struct Classified {
  uint32_t major, minor;
  ActiveSyncGen gen;
};

class ActiveSyncClassTest : public ActiveSyncProbeTest,
                            public ::testing::WithParamInterface<Classified> {};

TEST_P(ActiveSyncClassTest, ClassifiesByUnsignedMajorAndMinor) {
  putVersion(GetParam().major, GetParam().minor);
  EXPECT_EQ(probeActiveSync(), GetParam().gen);
  EXPECT_EQ(sim.openKeys(), 0);
}

INSTANTIATE_TEST_SUITE_P(Versions, ActiveSyncClassTest,
                         ::testing::Values(Classified{0, 9, ActiveSyncGen::Unsupported},
                                           Classified{2, 99, ActiveSyncGen::Unsupported},
                                           Classified{3, 1, ActiveSyncGen::Gen31},
                                           Classified{3, 5, ActiveSyncGen::Gen31},
                                           Classified{3, 6, ActiveSyncGen::Gen36},
                                           Classified{3, 0xFFFFFFFFu, ActiveSyncGen::Gen36},
                                           Classified{4, 5, ActiveSyncGen::Gen36},
                                           Classified{5, 0, ActiveSyncGen::Gen36},
                                           Classified{6, 0, ActiveSyncGen::Gen60},
                                           Classified{6, 1, ActiveSyncGen::Gen60},
                                           Classified{0xFFFFFFFFu, 0, ActiveSyncGen::Gen60}));

TEST_F(ActiveSyncProbeTest, HugeMajorIsGen60AndLoggedSigned) {
  putVersion(0xFFFFFFFFu, 2);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Gen60);
  EXPECT_EQ(log(), "ActiveSync major version is -1\r\nActiveSync minor version is 2\r\n");
}

TEST_F(ActiveSyncProbeTest, MissingKeyLogsOnceAndIsNeverRetried) {
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  putVersion(6, 0);  // installed meanwhile: not seen until the next run
  int reads = sim.registryReads();
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  EXPECT_EQ(sim.registryReads(), reads);
  EXPECT_EQ(log(), "ERROR: Could not locate ActiveSync\r\n");
}

TEST_F(ActiveSyncProbeTest, LaterCallsReturnTheCacheWithoutRegistryOrLog) {
  putVersion(4, 0);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Gen36);
  const std::string first = log();
  const int reads = sim.registryReads();
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Gen36);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Gen36);
  EXPECT_EQ(sim.registryReads(), reads);
  EXPECT_EQ(log(), first);
}

TEST_F(ActiveSyncProbeTest, ShortStringMajorIsAProblemOfInterpretation) {
  sim.putValue(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", kRegSz,
               std::string("4\0", 2));
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", 0);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  EXPECT_EQ(log(), "ERROR: Problem interpreting ActiveSync's version.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncProbeTest, LongStringMajorFailsItsQuery) {
  sim.putValue(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", kRegSz,
               std::string("4.00\0", 5));
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", 0);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  EXPECT_EQ(log(), "ERROR: Could not locate ActiveSync's major version.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncProbeTest, TypesAreJudgedOnlyAfterBothReads) {
  sim.putValue(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", kRegBinary, "\x04");
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  EXPECT_EQ(log(), "ERROR: Could not locate ActiveSync's minor version.\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncProbeTest, MinorOfWrongTypeIsAProblemOfInterpretation) {
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", 6);
  sim.putValue(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", kRegBinary,
               std::string(4, '\0'));
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  EXPECT_EQ(log(), "ERROR: Problem interpreting ActiveSync's version.\r\n");
}

TEST_F(ActiveSyncProbeTest, UnreadableKeyIsNotFound) {
  putVersion(6, 0);
  sim.denyKey(RegRoot::LocalMachine, activeSyncKeyPath);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::NotFound);
  EXPECT_EQ(log(), "ERROR: Could not locate ActiveSync\r\n");
  EXPECT_EQ(sim.openKeys(), 0);
}

// A 32-bit ActiveSync on 64-bit Windows keeps its key in the 32-bit view.
TEST_F(ActiveSyncProbeTest, OnlyThe32BitViewsKeyIsReadThroughThatView) {
  useThe32BitView();
  putVersion(4, 5);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Gen36);
  EXPECT_EQ(log(), "ActiveSync major version is 4\r\nActiveSync minor version is 5\r\n");
  EXPECT_EQ(sim.keyOpenings(), (std::vector<std::string>{
                                   "open HKLM\\Software\\Microsoft\\Windows CE Services 0x20019",
                                   "open HKLM\\Software\\Microsoft\\Windows CE Services 0x20219"}));
  EXPECT_EQ(sim.openKeys(), 0);
}

TEST_F(ActiveSyncProbeTest, The64BitViewWinsOverThe32BitOne) {
  useThe32BitView();
  putVersion(4, 5);
  activeSyncKey = activeSyncKeyPath;
  putVersion(6, 1);
  EXPECT_EQ(probeActiveSync(), ActiveSyncGen::Gen60);
}

}  // namespace
}  // namespace lw
