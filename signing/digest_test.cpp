#include "signing/digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "signing/sha1.h"
#include "tests/support/test_bytes.h"

namespace lw {
namespace {

std::string sha1InPieces(const std::string& message, size_t pieceSize) {
  Sha1 hash;
  for (size_t at = 0; at < message.size(); at += pieceSize) {
    hash.update(message.data() + at, std::min(pieceSize, message.size() - at));
  }
  const Sha1Digest digest = hash.finish();
  return hexOf(Bytes(digest.begin(), digest.end()));
}

// FIPS 180's examples, fed at once and in pieces that straddle the 64-byte
// blocks, and messages whose padding needs a block of its own.
TEST(Sha1Test, KnownDigestsWhateverThePieces) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
       "lmnopqrsmnopqrstnopqrstu",
       "a49b2446a02c645bf419f995b67091253a04a259"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& c : cases) {
    for (size_t piece : {size_t{1000000}, size_t{1}, size_t{63}, size_t{65}}) {
      EXPECT_EQ(sha1InPieces(c.message, piece), c.digest)
          << c.message.substr(0, 20) << " in pieces of " << piece;
    }
  }
}

// Each algorithm reaches its own hash in pieces, an empty piece (whose
// data() may be null) among them.
TEST(DigestTest, EitherAlgorithmInPieces) {
  const struct {
    HashAlgorithm algorithm;
    const char* abc;
  } cases[] = {
      {HashAlgorithm::Sha1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {HashAlgorithm::Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
  };
  for (const auto& c : cases) {
    Digest digest(c.algorithm);
    digest.update(bytesOf("a"));
    digest.update(Bytes());
    digest.update("bc", 2);
    const Bytes abc = digest.finish();
    EXPECT_EQ(abc.size(), digestSize(c.algorithm));
    EXPECT_EQ(hexOf(abc), c.abc);
    EXPECT_EQ(digestOf(c.algorithm, bytesOf("abc")), abc);
  }
}

}  // namespace
}  // namespace lw
