// SHA-1, for the catalogs and signatures of the Windows that know no newer
// digest. Not for telling whether bytes were changed on purpose.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "signing/block_buffer.h"

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
  BlockBuffer buffer_;
};

}  // namespace lw
