// Tells Windows to ignore the serial numbers of the vendor's sync devices,
// so every terminal of a product id shares one device configuration.
#include "hostcfg/generic_device_flags.h"

#include <cstring>

#include "app/log.h"
#include "platform/platform.h"

namespace lw {

namespace {

constexpr char kUsbFlagsKey[] = "SYSTEM\\CurrentControlSet\\Control\\UsbFlags";
constexpr char kIgnoreSerialPrefix[] = "IgnoreHWSerNum";
constexpr char kVendorId[] = "5E2D";
// The sync product ids; Windows matches these names with the id in lower case.
constexpr const char* kSyncProductIds[] = {"0001", "0004", "0006", "0008", "000e", "0010"};
constexpr unsigned char kIgnoreSerial = 0x01;

}  // namespace

bool writeGenericDeviceFlags(bool generic) {
  RegKey key = nullptr;
  if (platform().createKey(RegRoot::LocalMachine, kUsbFlagsKey, kKeyWrite, &key) != kErrorSuccess) {
    logText("ERROR: couldn't create registry key\r\n");
    return false;
  }
  const size_t prefixLength = sizeof kIgnoreSerialPrefix - 1;
  const size_t vendorLength = sizeof kVendorId - 1;
  char name[sizeof kIgnoreSerialPrefix + sizeof kVendorId + 4];  // 22 characters and the NUL
  std::memcpy(name, kIgnoreSerialPrefix, prefixLength);
  std::memcpy(name + prefixLength, kVendorId, vendorLength);
  for (const char* id : kSyncProductIds) {
    std::memcpy(name + prefixLength + vendorLength, id, 5);
    if (!generic) {
      // A value that is not there is already what we want.
      platform().deleteValue(key, name);
      continue;
    }
    if (platform().setValue(key, name, kRegBinary, &kIgnoreSerial, 1) != kErrorSuccess) {
      platform().closeKey(key);
      logText("ERROR: couldn't set registry value\r\n");
      return false;
    }
  }
  platform().closeKey(key);
  return true;
}

}  // namespace lw
