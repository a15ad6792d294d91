// SHA-256, for telling whether a file still holds the bytes that were
// written to it: sound against someone who may write that file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "signing/block_buffer.h"

namespace lw {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void update(const void* data, size_t size);
  // The digest of everything given to update; the object is spent after.
  Sha256Digest finish();

 private:
  void compress(const uint8_t* block);

  uint32_t state_[8];
  BlockBuffer buffer_;
};

}  // namespace lw
