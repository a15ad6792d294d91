// What 64-bit Windows 8 and later answer when Setup is asked to stage a
// driver package into the driver store: the package needs a catalog that
// covers the INF and each file it copies, signed by a certificate that
// chains to a trusted root and whose publisher is trusted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signing/bytes.h"

namespace lw {

struct TrustedStores {
  std::vector<Bytes> root;              // DER certificates
  std::vector<Bytes> trustedPublisher;  // DER certificates
};

// 0 when the package whose INF is at `infHostPath` (a host path; its
// folder is the package) would be staged, else the error number Windows
// documents for the refusal.
uint32_t stagingVerdict(const std::string& infHostPath, const TrustedStores& stores,
                        const UtcTime& now);

}  // namespace lw
