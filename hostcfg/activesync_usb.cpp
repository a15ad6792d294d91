// Makes sure the current user's ActiveSync accepts USB connections.
#include <cstdint>

#include "app/log.h"
#include "hostcfg/activesync.h"
#include "platform/platform.h"

namespace lw {

namespace {

constexpr uint32_t kUsbAllowed = 0x8;
constexpr uint32_t kUsbKeyAccess = kKeyRead | kKeySetValue | kKeyCreateSubKey;  // 0x2001F
constexpr char kConnectTypes[] = "ConnectTypesAllowed";

UsbSettingResult finish(RegKey key, const char* line, UsbSettingResult result) {
  logText(line);
  platform().closeKey(key);
  return result;
}

}  // namespace

UsbSettingResult enableActiveSyncUsb() {
  RegKey key = nullptr;
  if (platform().openKey(RegRoot::CurrentUser, activeSyncKeyPath, kUsbKeyAccess, &key) !=
      kErrorSuccess) {
    logText("ERROR: Could not locate ActiveSync registry key\r\n");
    return UsbSettingResult::UsbNotConfigurable;
  }
  uint32_t allowed = 0;
  uint32_t size = sizeof allowed;
  uint32_t type = 0;
  if (platform().queryValue(key, kConnectTypes, &type, &allowed, &size) != kErrorSuccess) {
    return finish(key, "WARNING: Could not locate ActiveSync's allowed connect types.\r\n",
                  UsbSettingResult::UsbNotConfigurable);
  }
  if (type != kRegDword) {
    return finish(key, "WARNING: Problem interpreting ActiveSync's allowed connect types.\r\n",
                  UsbSettingResult::UsbNotConfigurable);
  }
  if (allowed & kUsbAllowed)
    return finish(key, "ActiveSync allows USB connections.\r\n", UsbSettingResult::UsbOk);

  logText(
      "ActiveSync is not configured to allow USB connections.\r\n"
      "Attempting to automatically re-configure ActiveSync to allow USB.\r\n");
  allowed |= kUsbAllowed;
  // Always a whole DWORD: writing back a shorter stored value at its own
  // size (down to 0 bytes) could report success without setting the bit.
  if (platform().setValue(key, kConnectTypes, type, &allowed, sizeof allowed) != kErrorSuccess) {
    return finish(key,
                  "ERROR: Could not configure ActiveSync to allow USB connections.\r\n"
                  "       User should manually enable USB in ActiveSync connection\r\n"
                  "       settings.\r\n",
                  UsbSettingResult::UsbWriteFailed);
  }
  return finish(key, "Automatic configure successful!\r\n", UsbSettingResult::UsbOk);
}

}  // namespace lw
