// Message digests for catalogs and signatures: SHA-1 for the Windows that
// accept nothing newer, SHA-256 for the rest.
#pragma once

#include <cstddef>

#include "signing/bytes.h"

namespace lw {

enum class HashAlgorithm { Sha1, Sha256 };

// 20 or 32.
size_t digestSize(HashAlgorithm algorithm);
// "1.3.14.3.2.26" or "2.16.840.1.101.3.4.2.1".
const char* digestObjectId(HashAlgorithm algorithm);

// Either digest, fed in pieces.
class Digest {
 public:
  explicit Digest(HashAlgorithm algorithm);
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;
  void update(const void* data, size_t size);
  void update(const Bytes& data) { update(data.data(), data.size()); }
  // The digest of everything given; the object is spent after.
  Bytes finish();

 private:
  struct State;
  State* state_;
};

Bytes digestOf(HashAlgorithm algorithm, const void* data, size_t size);
inline Bytes digestOf(HashAlgorithm algorithm, const Bytes& data) {
  return digestOf(algorithm, data.data(), data.size());
}

}  // namespace lw
