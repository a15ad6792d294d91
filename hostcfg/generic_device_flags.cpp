// Tells Windows to ignore the serial numbers of the vendor's sync devices,
// so every terminal of a product id shares one device configuration.
#include "hostcfg/generic_device_flags.h"

#include "app/log.h"
#include "platform/platform.h"

namespace lw {

namespace {

constexpr char kIgnoreSerialPrefix[] = "IgnoreHWSerNum";
constexpr char kVendorId[] = "5E2D";
// The sync product ids; Windows matches these names with the id in lower case.
constexpr const char* kSyncProductIds[] = {"0001", "0004", "0006", "0008", "000e", "0010"};
constexpr unsigned char kIgnoreSerial = 0x01;

}  // namespace

const char kUsbFlagsKey[] = "SYSTEM\\CurrentControlSet\\Control\\UsbFlags";

std::vector<std::string> genericDeviceFlagNames() {
  std::vector<std::string> names;
  for (const char* id : kSyncProductIds) {
    names.push_back(std::string(kIgnoreSerialPrefix) + kVendorId + id);
  }
  return names;
}

bool writeGenericDeviceFlags(bool generic) {
  RegKey key = nullptr;
  if (platform().createKey(RegRoot::LocalMachine, kUsbFlagsKey, kKeyWrite, &key) != kErrorSuccess) {
    logText("ERROR: couldn't create registry key\r\n");
    return false;
  }
  for (const std::string& name : genericDeviceFlagNames()) {
    if (!generic) {
      // A value that is not there is already what we want.
      platform().deleteValue(key, name.c_str());
      continue;
    }
    if (platform().setValue(key, name.c_str(), kRegBinary, &kIgnoreSerial, 1) != kErrorSuccess) {
      platform().closeKey(key);
      logText("ERROR: couldn't set registry value\r\n");
      return false;
    }
  }
  platform().closeKey(key);
  return true;
}

}  // namespace lw
