#pragma once

#include <string>
#include <vector>

namespace lw {

// The key under HKEY_LOCAL_MACHINE that holds the values.
extern const char kUsbFlagsKey[];

// The names of the values, one per sync product id:
// "IgnoreHWSerNum5E2D" and the id.
std::vector<std::string> genericDeviceFlagNames();

// Writes (true) or removes (false) the values that make Windows ignore the
// serial numbers of the vendor's sync devices. False when the key could not
// be opened or a value not written.
bool writeGenericDeviceFlags(bool generic);

}  // namespace lw
