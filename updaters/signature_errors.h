// The errors with which Windows refuses a driver package for its signature
// (SetupAPI's and the trust provider's numbers, which MinGW-w64's headers
// partly lack). ERROR_AUTHENTICODE_TRUSTED_PUBLISHER (0xE0000241) is no
// refusal: it says a trusted publisher signed the package.
#pragma once

#include <cstdint>

namespace lw {

inline bool isSignatureRefusal(uint32_t error) {
  static constexpr uint32_t kRefusals[] = {
      0xE000022F,  // ERROR_NO_CATALOG_FOR_OEM_INF
      0xE000023F,  // ERROR_NO_AUTHENTICODE_CATALOG
      0xE0000240,  // ERROR_AUTHENTICODE_DISALLOWED
      0xE0000242,  // ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED
      0xE0000243,  // ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED
      0xE0000244,  // ERROR_SIGNATURE_OSATTRIBUTE_MISMATCH
      0xE0000247,  // ERROR_DRIVER_STORE_ADD_FAILED
      0xE000024B,  // ERROR_FILE_HASH_NOT_IN_CATALOG
      0x800B0100,  // TRUST_E_NOSIGNATURE
      0x800B0101,  // CERT_E_EXPIRED
      0x800B0109,  // CERT_E_UNTRUSTEDROOT
      0x800B010A,  // CERT_E_CHAINING
      0x800B0110,  // CERT_E_WRONG_USAGE
      0x800B0111,  // TRUST_E_EXPLICIT_DISTRUST
      0x80096004,  // TRUST_E_CERT_SIGNATURE
      0x80096010,  // TRUST_E_BAD_DIGEST
  };
  for (uint32_t refusal : kRefusals) {
    if (error == refusal) return true;
  }
  return false;
}

}  // namespace lw
