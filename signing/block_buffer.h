// The 64-byte blocks and the closing length padding that SHA-1 and SHA-256
// share (FIPS 180-4, 5.1.1 and 6): whole blocks go to the digest's
// compression function, the rest waits for more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lw {

class BlockBuffer {
 public:
  static constexpr size_t kBlockSize = 64;

  // `compress(const uint8_t* block)` is called for each complete block.
  template <typename Compress>
  void update(const void* data, size_t size, Compress&& compress) {
    // Empty Bytes may hand over a null pointer, which memcpy must not see.
    if (size == 0) return;
    const auto* p = static_cast<const uint8_t*>(data);
    totalBytes_ += size;
    if (used_ > 0) {
      const size_t take = kBlockSize - used_ < size ? kBlockSize - used_ : size;
      std::memcpy(block_ + used_, p, take);
      used_ += take;
      p += take;
      size -= take;
      if (used_ < kBlockSize) return;
      compress(block_);
      used_ = 0;
    }
    for (; size >= kBlockSize; p += kBlockSize, size -= kBlockSize) compress(p);
    std::memcpy(block_, p, size);
    used_ = size;
  }

  // A 1 bit, zeros up to 8 bytes short of a block's end, then the length
  // in bits, big-endian; the buffer is spent after.
  template <typename Compress>
  void finish(Compress&& compress) {
    const uint64_t bits = totalBytes_ * 8;
    block_[used_++] = 0x80;
    if (used_ > kBlockSize - 8) {
      std::memset(block_ + used_, 0, kBlockSize - used_);
      compress(block_);
      used_ = 0;
    }
    std::memset(block_ + used_, 0, kBlockSize - 8 - used_);
    for (int i = 0; i < 8; ++i) block_[56 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    compress(block_);
  }

 private:
  uint8_t block_[kBlockSize];
  size_t used_ = 0;
  uint64_t totalBytes_ = 0;
};

}  // namespace lw
