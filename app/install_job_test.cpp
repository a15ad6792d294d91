#include "app/install_job.h"

#include <string>

#include "hostcfg/activesync.h"
#include "tests/support/logged_sim_test.h"
#include "updaters/device_driver_update.h"

namespace lw {
namespace {

class InstallJobTest : public LoggedSimTest {
 protected:
  ~InstallJobTest() override { job.destroyUpdaters(); }
  InstallJob job;
};

TEST_F(InstallJobTest, NewJobHasDefaultsAndNoUpdaters) {
  EXPECT_FALSE(job.genericDevice());
  EXPECT_TRUE(job.succeeded());
  for (int index : {-1, 0, 1, 2}) EXPECT_EQ(job.updater(index), nullptr) << index;
  EXPECT_TRUE(job.backupEnabled(SyncUpdaterIndex));
  EXPECT_TRUE(job.backupEnabled(StorageUpdaterIndex));
  EXPECT_FALSE(job.backupEnabled(2));
  EXPECT_FALSE(job.backupEnabled(-1));
  job.markFailed();
  job.setGenericDevice(true);
  EXPECT_FALSE(job.succeeded());
  EXPECT_TRUE(job.genericDevice());
}

TEST_F(InstallJobTest, SyncUpdaterFirstAndOnlyOnce) {
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", 6);
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", 0);
  EXPECT_EQ(job.createUpdaters(), StepResult::StepOk);
  ASSERT_NE(job.updater(SyncUpdaterIndex), nullptr);
  ASSERT_NE(job.updater(StorageUpdaterIndex), nullptr);
  EXPECT_STREQ(job.updater(SyncUpdaterIndex)->driverName(), "winusb");
  EXPECT_STREQ(job.updater(StorageUpdaterIndex)->driverName(), "usbstor");
  EXPECT_EQ(job.updater(2), nullptr);
  // The probe ran once, during the sync updater's construction.
  EXPECT_EQ(log(), "ActiveSync major version is 6\r\nActiveSync minor version is 0\r\n");

  DeviceDriverUpdate* sync = job.updater(SyncUpdaterIndex);
  const int allocations = sim.allocationsMade();
  EXPECT_EQ(job.createUpdaters(), StepResult::StepOk);
  EXPECT_EQ(sim.allocationsMade(), allocations);
  EXPECT_EQ(job.updater(SyncUpdaterIndex), sync);
}

TEST_F(InstallJobTest, NoMemoryForSyncUpdaterLeavesBothSlotsEmpty) {
  sim.failAllocation(0);
  EXPECT_EQ(job.createUpdaters(), StepResult::StepFailed);
  EXPECT_EQ(job.updater(SyncUpdaterIndex), nullptr);
  EXPECT_EQ(job.updater(StorageUpdaterIndex), nullptr);
  EXPECT_EQ(log(), "ERROR: Could not allocate memory for wceusbsh updator.\r\n");
  // Not attempted again.
  EXPECT_EQ(job.createUpdaters(), StepResult::StepOk);
  EXPECT_EQ(job.updater(SyncUpdaterIndex), nullptr);
  job.destroyUpdaters();
}

TEST_F(InstallJobTest, NoMemoryForStorageUpdaterKeepsTheSyncOne) {
  sim.failAllocation(1);
  EXPECT_EQ(job.createUpdaters(), StepResult::StepFailed);
  EXPECT_NE(job.updater(SyncUpdaterIndex), nullptr);
  EXPECT_EQ(job.updater(StorageUpdaterIndex), nullptr);
  EXPECT_EQ(log(),
            "ERROR: Could not locate ActiveSync\r\n"
            "ERROR: Could not allocate memory for usbstor updator.\r\n");
  job.destroyUpdaters();
  EXPECT_EQ(job.updater(SyncUpdaterIndex), nullptr);
}

TEST_F(InstallJobTest, TeardownRemovesTemporaryCopiesAfterAFailedInstall) {
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MajorVersion", 3);
  sim.putDword(RegRoot::LocalMachine, activeSyncKeyPath, "MinorVersion", 1);
  sim.putFile("C:\\windows\\system32\\inf\\wceusbsh.inf", "[Version]\r\n");
  ASSERT_EQ(job.createUpdaters(), StepResult::StepOk);
  EXPECT_EQ(job.updater(SyncUpdaterIndex)->installInf(), StepResult::StepOk);
  // No stock usbstor.inf: that install fails after its temporary file exists.
  EXPECT_EQ(job.updater(StorageUpdaterIndex)->installInf(), StepResult::StepFailed);
  job.markFailed();
  EXPECT_EQ(sim.listDirectory("C:\\users\\test\\Temp").size(), 2u);
  closeLog();  // as at process exit: the teardown writes nothing
  const std::string before = log();
  job.destroyUpdaters();
  EXPECT_TRUE(sim.listDirectory("C:\\users\\test\\Temp").empty());
  EXPECT_EQ(job.updater(SyncUpdaterIndex), nullptr);
  EXPECT_EQ(job.updater(StorageUpdaterIndex), nullptr);
  EXPECT_EQ(log(), before);
}

}  // namespace
}  // namespace lw
