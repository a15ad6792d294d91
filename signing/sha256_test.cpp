#include "signing/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/test_bytes.h"

namespace lw {
namespace {

std::string hex(const Sha256Digest& digest) { return hexOf(Bytes(digest.begin(), digest.end())); }

std::string digestOf(const std::string& message, size_t pieceSize) {
  Sha256 hash;
  for (size_t at = 0; at < message.size(); at += pieceSize) {
    hash.update(message.data() + at, std::min(pieceSize, message.size() - at));
  }
  return hex(hash.finish());
}

// The published test vectors, fed at once and in pieces that straddle the
// 64-byte blocks, and messages whose padding needs a block of its own.
TEST(Sha256Test, KnownDigestsWhateverThePieces) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
       "lmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    for (size_t piece : {size_t{1000000}, size_t{1}, size_t{63}, size_t{65}}) {
      EXPECT_EQ(digestOf(c.message, piece), c.digest)
          << c.message.substr(0, 20) << " in pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace lw
