// Fuzz target: any bytes as a stock INF, either table, with or without the
// Gen60 adjustment. The patch must succeed (the simulated code page converts
// every character), leave its input alone and, for 8-bit text, keep every
// input byte in order. The files live in memory: through the disk, a run
// costs ten times as much.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "tests/support/patch_invariant.h"
#include "infpatch/vendor_tables.h"
#include "platform/sim/sim_platform.h"

namespace {

constexpr const char* kIn = "C:\\work\\stock.inf";
constexpr const char* kOut = "C:\\work\\patched.inf";

// The simulated Windows with its byte files in memory.
class InMemoryFiles : public lw::SimPlatform {
 public:
  std::map<std::string, std::string> files;

  lw::FileHandle openRead(const char* path) override {
    auto it = files.find(path);
    return it == files.end() ? nullptr : new Open{&it->second, 0};
  }
  lw::FileHandle openWrite(const char* path) override {
    std::string& data = files[path];
    data.clear();
    return new Open{&data, 0};
  }
  size_t readFile(lw::FileHandle file, void* buffer, size_t size) override {
    Open* open = static_cast<Open*>(file);
    size_t n = std::min(size, open->data->size() - std::min(open->position, open->data->size()));
    std::memcpy(buffer, open->data->data() + open->position, n);
    open->position += n;
    return n;
  }
  bool writeFile(lw::FileHandle file, const void* data, size_t size) override {
    static_cast<Open*>(file)->data->append(static_cast<const char*>(data), size);
    return true;
  }
  bool seekFile(lw::FileHandle file, uint64_t offset) override {
    static_cast<Open*>(file)->position = offset;
    return true;
  }
  uint64_t fileSize(lw::FileHandle file) override { return static_cast<Open*>(file)->data->size(); }
  bool closeFile(lw::FileHandle file) override {
    delete static_cast<Open*>(file);
    return true;
  }

 private:
  struct Open {
    std::string* data;
    size_t position;
  };
};

InMemoryFiles& platform() {
  static InMemoryFiles files;
  lw::setPlatform(&files);
  return files;
}

}  // namespace

// The first byte chooses the table and whether it gets the Gen60
// adjustment; the rest is the stock INF.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  InMemoryFiles& memory = platform();
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  memory.files[kIn] = input;
  lw::VendorPatchTable table((data[0] & 1) ? lw::VendorTableKind::Storage
                                           : lw::VendorTableKind::Sync);
  if (data[0] & 2) table.applyGen60Adjustment();
  if (lw::patchInfFile(table.table(), kOut, kIn) != lw::PatchResult::PatchOk) std::abort();
  bool eightBit = !lw::readsAsWide(input) && input.find('\x1A') == std::string::npos &&
                  input.find('\0') == std::string::npos;
  if (eightBit && !lw::isSubsequence(lw::textModeImage(input), memory.files[kOut])) std::abort();
  if (memory.files[kIn] != input) std::abort();
  return 0;
}
