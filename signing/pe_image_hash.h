// The Authenticode image hash of a PE file: the digest that signatures and
// catalogs carry for a driver binary, which leaves out the header's
// checksum, the certificate table's directory entry and the certificate
// table itself ("Windows Authenticode Portable Executable Signature
// Format").
#pragma once

#include <cstddef>

#include "signing/bytes.h"
#include "signing/digest.h"

namespace lw {

// True for a file that parses as a PE image (MZ, PE signature, a PE32 or
// PE32+ optional header whose directories and sections lie in the file).
bool isPeImage(const uint8_t* data, size_t size);

// False when the data is not a PE image.
bool peImageHash(const uint8_t* data, size_t size, HashAlgorithm algorithm, Bytes* out);

}  // namespace lw
