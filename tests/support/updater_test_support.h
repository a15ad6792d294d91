// Shared set-up for the updater tests: an ActiveSync version in the
// simulated registry and the patch engine's own output to compare with.
#pragma once

#include <string>

#include "hostcfg/activesync.h"
#include "tests/support/logged_sim_test.h"
#include "infpatch/vendor_tables.h"

namespace lw {

// A small stock-like INF: the sections the vendor tables add to.
inline const char kStockLikeInf[] =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=USB\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%Generic%=Generic\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n"
    "driver.sys=1\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Generic=\"Generic\"\r\n";

class UpdaterTest : public LoggedSimTest {
 protected:
  void putVersion(uint32_t major, uint32_t minor) {
    sim.putDword(RegRoot::LocalMachine, activeSyncKey, "MajorVersion", major);
    sim.putDword(RegRoot::LocalMachine, activeSyncKey, "MinorVersion", minor);
  }
  void putInstalledDir(uint32_t type, const std::string& data) {
    sim.putValue(RegRoot::LocalMachine, activeSyncKey, "InstalledDir", type, data);
  }
  // What the engine makes of `stock` with a fresh table of this kind.
  std::string enginePatched(VendorTableKind kind, bool gen60, const std::string& stock) {
    VendorPatchTable table(kind);
    if (gen60) table.applyGen60Adjustment();
    sim.putFile("C:\\expected\\stock.inf", stock);
    EXPECT_EQ(patchInfFile(table.table(), "C:\\expected\\patched.inf", "C:\\expected\\stock.inf"),
              PatchResult::PatchOk);
    return sim.fileText("C:\\expected\\patched.inf");
  }
};

}  // namespace lw
