// The errors with which Windows refuses a driver package for its signature:
// SetupAPI's and the trust provider's numbers, which MinGW-w64's headers
// partly lack.
#pragma once

#include <cstdint>

namespace lw {

enum : uint32_t {
  kErrorNoCatalogForOemInf = 0xE000022F,
  kErrorNoAuthenticodeCatalog = 0xE000023F,
  kErrorAuthenticodeDisallowed = 0xE0000240,
  // A trusted publisher signed the package: information, never a refusal.
  kErrorAuthenticodeTrustedPublisher = 0xE0000241,
  kErrorAuthenticodeTrustNotEstablished = 0xE0000242,
  kErrorAuthenticodePublisherNotTrusted = 0xE0000243,
  kErrorSignatureOsattributeMismatch = 0xE0000244,
  kErrorDriverStoreAddFailed = 0xE0000247,
  kErrorFileHashNotInCatalog = 0xE000024B,
  kTrustENoSignature = 0x800B0100,
  kCertEExpired = 0x800B0101,
  kCertEUntrustedRoot = 0x800B0109,
  kCertEChaining = 0x800B010A,
  kCertEWrongUsage = 0x800B0110,
  kTrustEExplicitDistrust = 0x800B0111,
  kTrustECertSignature = 0x80096004,
  kTrustEBadDigest = 0x80096010,
};

inline bool isSignatureRefusal(uint32_t error) {
  static constexpr uint32_t kRefusals[] = {
      kErrorNoCatalogForOemInf,
      kErrorNoAuthenticodeCatalog,
      kErrorAuthenticodeDisallowed,
      kErrorAuthenticodeTrustNotEstablished,
      kErrorAuthenticodePublisherNotTrusted,
      kErrorSignatureOsattributeMismatch,
      kErrorDriverStoreAddFailed,
      kErrorFileHashNotInCatalog,
      kTrustENoSignature,
      kCertEExpired,
      kCertEUntrustedRoot,
      kCertEChaining,
      kCertEWrongUsage,
      kTrustEExplicitDistrust,
      kTrustECertSignature,
      kTrustEBadDigest,
  };
  for (uint32_t refusal : kRefusals) {
    if (error == refusal) return true;
  }
  return false;
}

}  // namespace lw
