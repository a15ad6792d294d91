// What the program reads and writes of ActiveSync's registry settings.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lw {

enum class ActiveSyncGen : int32_t {
  NotProbed = 0,
  NotFound = 1,
  Unsupported = 2,  // below 3.1
  Gen31 = 3,        // 3.1 to 3.5
  Gen36 = 4,        // 3.6 to 5.x
  Gen60 = 5,        // 6.0 or later
};

// "Software\Microsoft\Windows CE Services", under either root.
extern const char activeSyncKeyPath[];

// Opens the key under HKEY_LOCAL_MACHINE for reading: in this program's
// registry view, or, where that has no such key, in the 32-bit view, where
// a 32-bit ActiveSync on 64-bit Windows writes it. The per-user key is one
// key in both views.
long openActiveSyncMachineKey(RegKey* key);

// Reads, logs and classifies the installed version once per process.
ActiveSyncGen probeActiveSync();
// As at process start: the next probe reads the registry again.
void forgetActiveSyncProbe();

enum class UsbSettingResult : int {
  UsbOk = 0,               // USB was already allowed, or is now
  UsbWriteFailed = 1,      // the bit was missing and could not be written
  UsbNotConfigurable = 4,  // no key, or no DWORD value, to change
};

// Sets the USB bit of the current user's ConnectTypesAllowed.
UsbSettingResult enableActiveSyncUsb();

}  // namespace lw
