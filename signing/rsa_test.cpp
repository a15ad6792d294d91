#include "signing/rsa.h"

#include <gtest/gtest.h>

#include "tests/support/test_bytes.h"
#include "signing/x509.h"

namespace lw {
namespace {

// A self-signed code-signing certificate and its key's private exponent,
// made with openssl, and openssl's signatures of kMessage with that key
// (a message whose SHA-256 signature s leaves s + n below 2^2048).
const char kMessage[] = "Linkwright signing test 56";
const char kCertificate[] =
    "308203253082020da00302010202045a17c0de300d06092a864886f70d01010b05003021311f301d06035504030c16"
    "4c696e6b7772696768742054657374205369676e6572301e170d3236313230393133343631395a170d333631323036"
    "3133343631395a3021311f301d06035504030c164c696e6b7772696768742054657374205369676e65723082012230"
    "0d06092a864886f70d01010105000382010f003082010a0282010100ed5bfd5e6eea4f92009a24a23b995654d04bb0"
    "1c5837fa081ed3d7b160c4046a4c45bb011112be7145a5ac3a3f69c8f19c562ae1944e90cf3e30523181efdf8c60b0"
    "d59fe1155c27772993c2d48dc76f25125e5b40af231b3c4bb8fa1d0e2baf9985e63d9d6926083d883ee4432b72d0c8"
    "837cc2553a7eaa48bd158f0d8989b37d5f7613fa97a5520d4542df7e979a4be804f82b22237f0134c101eb8c073ea6"
    "3814a5b9b705003be87908472ad8b566375aed4d0ed1b25d87512b88a80b717e034f1e545f776d7e141c92d15ec85b"
    "7db4d696b8262d27edc8661547bab65c6f5cbeb4eb9c13262ecca06d501390e324a7e572e65c0905b5e51854d30922"
    "ba890203010001a3653063301d0603551d0e04160414fb9455ce5d9dd2bcd4f03d0a5eee4a729ed4c522301f060355"
    "1d23041830168014fb9455ce5d9dd2bcd4f03d0a5eee4a729ed4c52230130603551d25040c300a06082b0601050507"
    "0303300c0603551d130101ff04023000300d06092a864886f70d01010b05000382010100044bb3cef31d57812443b1"
    "72565aa305a82d8237ba2e6ecf3e897bf6dcecb56f6f2167657e4ca8c94db0594e3dd43d42c7bb11fd8b58ceb67b5b"
    "7a508b9e46801f596fde18d3215049821234593b5cacbec302c1ecc48ff490ddfccc1468f6ce859e714f3d46f13573"
    "562abbb612c259c90f7f2b215fbd25e566e4bfe2027ec5ff4202c160a0b26113492bbae61830313b7a791f43204696"
    "0284db6b8ad28908f97f4522e16f55c1b022421c8d2c9a54151e870c30d169f8f18eb64cc4aaa41b59126725df7893"
    "faec8df8c978d213ffb35edecaf0c380ff88b69539a6b0cf0a112fb7a1d72d096345b35fdb4579e8bf0c62c8927fa8"
    "5e315cd95b9087c3ff54";
const char kPrivateExponent[] =
    "329ae4b37ff943bab0972c8d4c209e87d99af172b19a499bf69a9ac76e068c9c6f2384c1aef6ac94b0d1281d890c90"
    "3376ede6198f098b152c40981d8702f1c9d7898c1a189e79b5ce519677b8e27b6d265dbab140e2b61ce5e78d0a022c"
    "d5c28bfc40c0cd3130531c6f525d4f36d1b552b2b9e422d0a455c0c95371dae4826f51728c9f4b2a5f66b6129a31df"
    "7c38a0a03e2c400e16edafbe94163d81ca1726abc0067f9e6111026e2991b232ebcfad72dd7e9a7c86022c5b462683"
    "71aeb17c9819cdcef76f0475d882a4c1b4d389a71e1367dc5a637db6ff2c623ced68a4f053e9106cf9718e9ceec25d"
    "4adcd9d0cb0209323ecd7587936f6cc6fe34ab829b";
const char kSignatureSha256[] =
    "0d1869ce90c29c1f7d807387ad0cb4a7f8370ded10b9fc5ad3ee69f4198391e329a26fc2717f0269da4fac285718b1"
    "49fd96493ad3c4f23c2d912b2b5a94d71dac80f38e787d94990393b1cd9bfdc75a17cb78f2f65d98fcab8de65a8b77"
    "9ed7a9e7c133fbae2d9a7c380c0960278dbeb6ad416fb2ddb44f5ebd21e55a5f767a7dc778ce85a1d49ab0b2d21a7b"
    "5719c04aa6366ec902776854d9cc7336087b5b09da41bb47eb6916a3b6316215fe12e18f466ffda3ed4fd4a47d4ccd"
    "4d11ba0b99bbe3cb6f3aac6f109d75a32db262e7232c2de9e7067def531fad81ab8882a45201fd1b2c53a5ef2fca58"
    "ada542b95d1e1e264fab420873bdd7f686e423f87c";
const char kSignatureSha1[] =
    "507b92b6b6c370c86c7c1aa017226ada79da0aabf82d61c0f18dc130268852e2d7db0efa9cfc12f4b04b8d3f915604"
    "d10c2fb196b39a41cfe922aa1c2e0b730f13d1dce5f4a21179db1eea4810f1e79a30d42dbbb9ee4f2714f923f92e51"
    "f63fecefd18664c7f9cef7c94111f93e4c13b88e0a0f521cb2e3d65647304fdcf1318b9c636b15635b77a94a2a698b"
    "fde255f8fe24c197b9db7c3af9dd047a407855004a986c873cc9cd00c75b4996db491a7c27c475a70a76500c2b69fe"
    "9685be74a2cb29c63b8bcccfa3ab1986ea0e84709e8259be0a588882cb776508855b1fdf2f6ca7eb45b5e2bf86b5e1"
    "33d6e2e409ca5c8767e19af2f2818ab5da928b1dbc";

const UtcTime kIssued = {2026, 12, 9, 13, 46, 19};
constexpr size_t kNotBeforeSeconds = 83;  // the "19" that ends kIssued, in kCertificate

TEST(X509Test, ReadsOpensslCertificate) {
  Certificate certificate;
  ASSERT_TRUE(parseCertificate(hexBytes(kCertificate), &certificate));
  EXPECT_EQ(hexOf(certificate.serialNumber), "5a17c0de");
  EXPECT_EQ(certificate.issuer, certificate.subject);
  EXPECT_TRUE(sameTime(certificate.notBefore, kIssued));
  EXPECT_TRUE(sameTime(certificate.notAfter, daysBefore(kIssued, -3650)));
  EXPECT_EQ(certificate.publicKey.modulus.size(), 256u);
  EXPECT_EQ(hexOf(certificate.publicKey.exponent), "010001");
  EXPECT_TRUE(certificate.signatureHashKnown && certificate.signatureHash == HashAlgorithm::Sha256);
  EXPECT_TRUE(certificate.hasExtendedKeyUsage && certificate.codeSigningUsage);
  EXPECT_TRUE(isSelfSignedBy(certificate));
  EXPECT_EQ(hexOf(thumbprint(certificate)), "f42e5af87d1247b00afe2142040f3c0a7b38f2df");
}

TEST(X509Test, RefusesAlteredCertificates) {
  const Bytes good = hexBytes(kCertificate);
  Certificate certificate;
  for (size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(parseCertificate(Bytes(good.begin(), good.begin() + size), &certificate)) << size;
  }
  Bytes longer = good;
  longer.push_back(0);
  EXPECT_FALSE(parseCertificate(longer, &certificate));
  // Still a certificate, ten seconds later, which its signature no longer covers.
  Bytes later = good;
  later[kNotBeforeSeconds] = '2';
  ASSERT_TRUE(parseCertificate(later, &certificate));
  EXPECT_TRUE(sameTime(certificate.notBefore, UtcTime{2026, 12, 9, 13, 46, 29}));
  EXPECT_FALSE(isSelfSignedBy(certificate));
}

TEST(RsaTest, VerifiesAndMakesOpensslsSignatures) {
  Certificate certificate;
  ASSERT_TRUE(parseCertificate(hexBytes(kCertificate), &certificate));
  const RsaPublicKey& key = certificate.publicKey;
  const struct {
    HashAlgorithm algorithm;
    const char* signature;
  } cases[] = {{HashAlgorithm::Sha256, kSignatureSha256}, {HashAlgorithm::Sha1, kSignatureSha1}};
  for (const auto& c : cases) {
    const Bytes digest = digestOf(c.algorithm, bytesOf(kMessage));
    const Bytes signature = hexBytes(c.signature);
    EXPECT_TRUE(rsaVerify(key, c.algorithm, digest, signature));
    EXPECT_EQ(hexOf(rsaSign(key.modulus, hexBytes(kPrivateExponent), c.algorithm, digest)),
              hexOf(signature));
    // The other algorithm's DigestInfo, a flipped bit, a byte too many.
    const HashAlgorithm other =
        c.algorithm == HashAlgorithm::Sha1 ? HashAlgorithm::Sha256 : HashAlgorithm::Sha1;
    EXPECT_FALSE(rsaVerify(key, other, digestOf(other, bytesOf(kMessage)), signature));
    Bytes altered = signature;
    altered[100] ^= 0x40;
    EXPECT_FALSE(rsaVerify(key, c.algorithm, digest, altered));
    Bytes padded = signature;
    padded.insert(padded.begin(), 0);
    EXPECT_FALSE(rsaVerify(key, c.algorithm, digest, padded));
    if (c.algorithm == HashAlgorithm::Sha256) {
      // s + n: as long as the modulus, and the same number modulo it.
      Bytes plusModulus = signature;
      unsigned carry = 0;
      for (size_t i = plusModulus.size(); i-- > 0;) {
        carry += plusModulus[i] + key.modulus[i];
        plusModulus[i] = static_cast<uint8_t>(carry);
        carry >>= 8;
      }
      ASSERT_EQ(carry, 0u);
      EXPECT_FALSE(rsaVerify(key, c.algorithm, digest, plusModulus));
    }
  }
}

}  // namespace
}  // namespace lw
