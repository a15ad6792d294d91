// Which of the Windows INF folder's files Linkwright installed: those that
// carry every line one of its vendor tables inserts and, where packages are
// signed (Vista and later), the CatalogFile line it writes for that driver.
// Whatever else a file holds, an OEM INF of anyone else lacks some of those
// lines, even one that names the vendor's ids.
#pragma once

#include <string>

namespace lw {

enum class InfOwner { Other, Sync, Storage };

// `bytes` as read from the file: 8-bit, or UTF-16LE after its byte-order
// mark.
InfOwner ownerOfInf(const std::string& bytes, bool signedPackages);

}  // namespace lw
