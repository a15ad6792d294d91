// Fuzz target: any bytes as a stock INF, both tables, with and without the
// Gen60 adjustment. The patch must succeed (the simulated code page converts
// every character), leave its input alone and, for 8-bit text, keep every
// input byte in order.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "infpatch/patch_invariant.h"
#include "infpatch/vendor_tables.h"
#include "platform/sim/sim_platform.h"

namespace {

constexpr const char* kIn = "C:\\work\\stock.inf";
constexpr const char* kOut = "C:\\work\\patched.inf";

lw::SimPlatform& sim() {
  static lw::SimPlatform platform;
  lw::setPlatform(&platform);
  return platform;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lw::SimPlatform& platform = sim();
  std::string input(reinterpret_cast<const char*>(data), size);
  platform.putFile(kIn, input);
  bool eightBit = !lw::readsAsWide(input) && input.find('\x1A') == std::string::npos &&
                  input.find('\0') == std::string::npos;
  std::string kept = eightBit ? lw::textModeImage(input) : std::string();
  for (lw::VendorTableKind kind : {lw::VendorTableKind::Sync, lw::VendorTableKind::Storage}) {
    for (bool gen60 : {false, true}) {
      lw::VendorPatchTable table(kind);
      if (gen60) table.applyGen60Adjustment();
      if (lw::patchInfFile(table.table(), kOut, kIn) != lw::PatchOk) std::abort();
      if (eightBit && !lw::isSubsequence(kept, platform.fileText(kOut))) std::abort();
    }
  }
  if (platform.fileText(kIn) != input) std::abort();
  return 0;
}
