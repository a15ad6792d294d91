#include "signing/rsa.h"

#include <algorithm>

#include "signing/der.h"

namespace lw {

namespace {

using Limbs = std::vector<uint32_t>;  // least significant first

// Big-endian bytes as `count` limbs; the bytes must fit.
Limbs limbsOf(const Bytes& bigEndian, size_t count) {
  Limbs limbs(count, 0);
  for (size_t i = 0; i < bigEndian.size(); ++i) {
    const size_t bit = 8 * (bigEndian.size() - 1 - i);
    limbs[bit / 32] |= static_cast<uint32_t>(bigEndian[i]) << (bit % 32);
  }
  return limbs;
}

Bytes bytesOfLimbs(const Limbs& limbs, size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) {
    const size_t bit = 8 * (size - 1 - i);
    bytes[i] = static_cast<uint8_t>(limbs[bit / 32] >> (bit % 32));
  }
  return bytes;
}

Bytes withoutLeadingZeros(const Bytes& bigEndian) {
  auto first = std::find_if(bigEndian.begin(), bigEndian.end(), [](uint8_t b) { return b != 0; });
  return Bytes(first, bigEndian.end());
}

bool lessThan(const uint32_t* a, const uint32_t* b, size_t count) {
  for (size_t i = count; i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

// a -= b over `count` limbs, modulo 2^(32 count).
void subtract(uint32_t* a, const uint32_t* b, size_t count) {
  uint64_t borrow = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint64_t difference = static_cast<uint64_t>(a[i]) - b[i] - borrow;
    a[i] = static_cast<uint32_t>(difference);
    borrow = difference >> 63;
  }
}

// Arithmetic modulo an odd n in Montgomery form, R = 2^(32 k): a number x
// is held as x R mod n, so that reducing a product takes multiplications
// and shifts instead of a division. Not constant time: it signs only with
// the simulated Windows' fixed keys, and verifies public data.
class Montgomery {
 public:
  explicit Montgomery(const Limbs& modulus) : n_(modulus), k_(modulus.size()) {
    // -1/n mod 2^32 by Newton's iteration, each step doubling the bits.
    uint32_t inverse = n_[0];
    for (int i = 0; i < 5; ++i) inverse *= 2 - n_[0] * inverse;
    nPrime_ = 0u - inverse;
    // R^2 mod n, by doubling 1 modulo n 64 k times.
    rSquared_.assign(k_, 0);
    rSquared_[0] = 1;
    for (size_t i = 0; i < 64 * k_; ++i) {
      uint32_t carry = 0;
      for (size_t j = 0; j < k_; ++j) {
        const uint32_t top = rSquared_[j] >> 31;
        rSquared_[j] = rSquared_[j] << 1 | carry;
        carry = top;
      }
      if (carry || !lessThan(rSquared_.data(), n_.data(), k_)) {
        subtract(rSquared_.data(), n_.data(), k_);
      }
    }
  }

  // a b / R mod n, for a and b below n.
  Limbs multiply(const Limbs& a, const Limbs& b) const {
    Limbs t(k_ + 2, 0);
    uint32_t* tp = t.data();
    const uint32_t* ap = a.data();
    const uint32_t* np = n_.data();
    for (size_t i = 0; i < k_; ++i) {
      const uint64_t bi = b[i];
      uint64_t carry = 0;
      for (size_t j = 0; j < k_; ++j) {
        const uint64_t sum = tp[j] + ap[j] * bi + carry;
        tp[j] = static_cast<uint32_t>(sum);
        carry = sum >> 32;
      }
      uint64_t sum = tp[k_] + carry;
      tp[k_] = static_cast<uint32_t>(sum);
      tp[k_ + 1] = static_cast<uint32_t>(sum >> 32);
      // Add the multiple of n that clears the lowest limb, then drop it.
      const uint64_t m = static_cast<uint32_t>(tp[0] * nPrime_);
      carry = (tp[0] + m * np[0]) >> 32;
      for (size_t j = 1; j < k_; ++j) {
        sum = tp[j] + m * np[j] + carry;
        tp[j - 1] = static_cast<uint32_t>(sum);
        carry = sum >> 32;
      }
      sum = tp[k_] + carry;
      tp[k_ - 1] = static_cast<uint32_t>(sum);
      tp[k_] = tp[k_ + 1] + static_cast<uint32_t>(sum >> 32);
    }
    if (tp[k_] != 0 || !lessThan(tp, np, k_)) subtract(tp, np, k_);
    t.resize(k_);
    return t;
  }

  // base^exponent mod n, for a base below n; exponent big-endian.
  Limbs power(const Limbs& base, const Bytes& exponent) const {
    Limbs one(k_, 0);
    one[0] = 1;
    const Limbs montgomeryBase = multiply(base, rSquared_);
    Limbs result = multiply(one, rSquared_);
    for (uint8_t byte : exponent) {
      for (int bit = 7; bit >= 0; --bit) {
        result = multiply(result, result);
        if ((byte >> bit) & 1) result = multiply(result, montgomeryBase);
      }
    }
    return multiply(result, one);
  }

 private:
  Limbs n_;
  size_t k_;
  uint32_t nPrime_ = 0;
  Limbs rSquared_;
};

// EMSA-PKCS1-v1_5: 00 01 FF...FF 00 DigestInfo, `size` bytes; empty when
// it cannot fit or the digest is not of the algorithm's size.
Bytes encodedMessage(HashAlgorithm algorithm, const Bytes& digest, size_t size) {
  if (digest.size() != digestSize(algorithm)) return Bytes();
  const Bytes digestInfo =
      der::sequence({der::sequence({der::objectId(digestObjectId(algorithm)), der::null()}),
                     der::octetString(digest)});
  // At least eight bytes of padding.
  if (size < digestInfo.size() + 11) return Bytes();
  Bytes message(size - digestInfo.size(), 0xFF);
  message[0] = 0x00;
  message[1] = 0x01;
  message.back() = 0x00;
  message.insert(message.end(), digestInfo.begin(), digestInfo.end());
  return message;
}

// m^exponent mod n for a message m of the modulus' length and below it;
// empty when the modulus is even or m is not below it.
Bytes modularPower(const Bytes& modulus, const Bytes& message, const Bytes& exponent) {
  if (modulus.empty() || (modulus.back() & 1) == 0 || message.size() != modulus.size()) {
    return Bytes();
  }
  const size_t limbCount = (modulus.size() + 3) / 4;
  const Limbs n = limbsOf(modulus, limbCount);
  const Limbs m = limbsOf(message, limbCount);
  if (!lessThan(m.data(), n.data(), limbCount)) return Bytes();
  return bytesOfLimbs(Montgomery(n).power(m, exponent), modulus.size());
}

}  // namespace

bool rsaVerify(const RsaPublicKey& key, HashAlgorithm algorithm, const Bytes& digest,
               const Bytes& signature) {
  const Bytes modulus = withoutLeadingZeros(key.modulus);
  const Bytes exponent = withoutLeadingZeros(key.exponent);
  if (exponent.empty() || signature.size() != modulus.size()) return false;
  const Bytes expected = encodedMessage(algorithm, digest, modulus.size());
  if (expected.empty()) return false;
  const Bytes recovered = modularPower(modulus, signature, exponent);
  return !recovered.empty() && recovered == expected;
}

Bytes rsaSign(const Bytes& modulus, const Bytes& privateExponent, HashAlgorithm algorithm,
              const Bytes& digest) {
  const Bytes n = withoutLeadingZeros(modulus);
  const Bytes message = encodedMessage(algorithm, digest, n.size());
  if (message.empty()) return Bytes();
  return modularPower(n, message, privateExponent);
}

}  // namespace lw
