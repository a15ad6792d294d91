#include "signing/digest.h"

#include "signing/sha1.h"
#include "signing/sha256.h"

namespace lw {

struct Digest::State {
  HashAlgorithm algorithm;
  Sha1 sha1;
  Sha256 sha256;
};

size_t digestSize(HashAlgorithm algorithm) {
  return algorithm == HashAlgorithm::Sha1 ? Sha1Digest().size() : Sha256Digest().size();
}

const char* digestObjectId(HashAlgorithm algorithm) {
  return algorithm == HashAlgorithm::Sha1 ? "1.3.14.3.2.26" : "2.16.840.1.101.3.4.2.1";
}

Digest::Digest(HashAlgorithm algorithm) : state_(new State{algorithm, Sha1(), Sha256()}) {}

Digest::~Digest() { delete state_; }

void Digest::update(const void* data, size_t size) {
  if (state_->algorithm == HashAlgorithm::Sha1) {
    state_->sha1.update(data, size);
  } else {
    state_->sha256.update(data, size);
  }
}

Bytes Digest::finish() {
  if (state_->algorithm == HashAlgorithm::Sha1) {
    const Sha1Digest digest = state_->sha1.finish();
    return Bytes(digest.begin(), digest.end());
  }
  const Sha256Digest digest = state_->sha256.finish();
  return Bytes(digest.begin(), digest.end());
}

Bytes digestOf(HashAlgorithm algorithm, const void* data, size_t size) {
  Digest digest(algorithm);
  digest.update(data, size);
  return digest.finish();
}

}  // namespace lw
