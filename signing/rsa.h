// RSA with PKCS #1 v1.5 signatures (RFC 8017, 8.2), on big-endian numbers.
#pragma once

#include "signing/bytes.h"
#include "signing/digest.h"

namespace lw {

struct RsaPublicKey {
  Bytes modulus;   // big-endian, no leading zero
  Bytes exponent;  // big-endian
};

// True when `signature` is the PKCS #1 v1.5 signature of `digest`, made
// with the private key of `key`: EMSA-PKCS1-v1_5 with the DigestInfo of
// `algorithm`, compared in full.
bool rsaVerify(const RsaPublicKey& key, HashAlgorithm algorithm, const Bytes& digest,
               const Bytes& signature);

// The PKCS #1 v1.5 signature of `digest` with the private exponent, as
// long as the modulus. For the simulated Windows, whose keys are fixed.
Bytes rsaSign(const Bytes& modulus, const Bytes& privateExponent, HashAlgorithm algorithm,
              const Bytes& digest);

}  // namespace lw
