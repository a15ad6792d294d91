#pragma once

namespace lw {

// Writes (true) or removes (false) the values that make Windows ignore the
// serial numbers of the vendor's sync devices. False when the key could not
// be opened or a value not written.
bool writeGenericDeviceFlags(bool generic);

}  // namespace lw
