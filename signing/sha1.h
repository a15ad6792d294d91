// SHA-1, for the catalogs and signatures of the Windows that know no newer
// digest. Not for telling whether bytes were changed on purpose.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lw {

using Sha1Digest = std::array<uint8_t, 20>;

class Sha1 {
 public:
  Sha1();
  void update(const void* data, size_t size);
  // The digest of everything given to update; the object is spent after.
  Sha1Digest finish();

 private:
  void compress(const uint8_t* block);

  uint32_t state_[5];
  uint8_t block_[64];
  size_t blockUsed_ = 0;
  uint64_t totalBytes_ = 0;
};

}  // namespace lw
