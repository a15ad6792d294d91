#include "platform/sim/sim_staging_policy.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/sim_test.h"
#include "signing/catalog.h"
#include "signing/der.h"
#include "signing/pe_image_hash.h"

namespace lw {
namespace {

constexpr uint32_t kNoCatalog = 0xE000022F;            // ERROR_NO_CATALOG_FOR_OEM_INF
constexpr uint32_t kPublisherNotTrusted = 0xE0000243;  // ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED
constexpr uint32_t kHashNotInCatalog = 0xE000024B;     // ERROR_FILE_HASH_NOT_IN_CATALOG
constexpr uint32_t kNoSignature = 0x800B0100;          // TRUST_E_NOSIGNATURE
constexpr uint32_t kExpired = 0x800B0101;              // CERT_E_EXPIRED
constexpr uint32_t kUntrustedRoot = 0x800B0109;        // CERT_E_UNTRUSTEDROOT
constexpr uint32_t kBadDigest = 0x80096010;            // TRUST_E_BAD_DIGEST

const char kInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=pkg.cat ; ours\r\n\r\n"
    "[SourceDisksNames]\r\n1 = \"Package\"\r\n"
    "[SourceDisksFiles]\r\ndrv.sys = 1\r\n"
    "[SourceDisksFiles.amd64]\r\nextra.bin = 1,x64\r\n";

// The smallest PE32+ image: headers only, no sections.
Bytes tinyImage() {
  Bytes image(0x200);
  auto put = [&image](size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) image[at + i] = static_cast<uint8_t>(value >> 8 * i);
  };
  put(0, 0x5A4D, 2);          // MZ
  put(0x3C, 0x40, 4);         // where the PE header is
  put(0x40, 0x4550, 4);       // PE
  put(0x44, 0x8664, 2);       // x64
  put(0x54, 112 + 128, 2);    // optional header with 16 directories
  put(0x58, 0x20B, 2);        // PE32+
  put(0x58 + 60, 0x200, 4);   // SizeOfHeaders
  put(0x58 + 64, 0x1234, 4);  // a checksum, which the image hash leaves out
  put(0x58 + 108, 16, 4);     // NumberOfRvaAndSizes
  return image;
}

class StagingPolicyTest : public SimTest {
 protected:
  StagingPolicyTest() {
    std::string pattern = ::testing::TempDir() + "lw-staging-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) ADD_FAILURE() << "no temporary folder";
    folder_ = pattern;
    std::filesystem::create_directory(folder_ + "/x64");
    put("pkg.inf", kInf);
    put("drv.sys", "not an image: hashed flat");
    put("x64/extra.bin", "extra");
    signer_ = sim.createSigner("Test Publisher", daysBefore(now_, 1), daysBefore(now_, -30));
    sim.signerCertificate(signer_, &certificate_);
    stores_ = {{certificate_}, {certificate_}};
  }
  ~StagingPolicyTest() override {
    sim.closeSigner(signer_);
    std::filesystem::remove_all(folder_);
  }

  void put(const std::string& name, const std::string& text) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << text;
  }
  void put(const std::string& name, const Bytes& bytes) {
    put(name, std::string(bytes.begin(), bytes.end()));
  }

  Bytes trustList(const std::vector<std::string>& files, HashAlgorithm algorithm) {
    CatalogContent content;
    content.algorithm = algorithm;
    content.osAttribute = "2:10.0";
    content.listIdentifier = Bytes(16, 0x5A);
    content.thisUpdate = now_;
    for (const std::string& name : files) {
      std::ifstream in(folder_ + "/" + name, std::ios::binary);
      const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      CatalogMember member{name, digestOf(algorithm, bytes), isPeImage(bytes.data(), bytes.size())};
      if (member.peImage) peImageHash(bytes.data(), bytes.size(), algorithm, &member.hash);
      content.members.push_back(member);
    }
    return encodeTrustList(content);
  }

  // The catalog as the program writes it, listing `files` as they are now.
  Bytes signedCatalog(const std::vector<std::string>& files,
                      HashAlgorithm algorithm = HashAlgorithm::Sha256) {
    Bytes catalog;
    EXPECT_TRUE(signCatalog(
        trustList(files, algorithm), certificate_, algorithm,
        [&](const Bytes& data, Bytes* out) {
          return sim.signWithSigner(signer_, algorithm, data, out);
        },
        &catalog));
    return catalog;
  }

  uint32_t verdict() { return stagingVerdict(folder_ + "/pkg.inf", stores_, now_); }

  const std::vector<std::string> all_{"pkg.inf", "drv.sys", "x64/extra.bin"};
  UtcTime now_{2026, 12, 9, 12, 0, 0};
  std::string folder_;
  SignerHandle signer_ = nullptr;
  Bytes certificate_;
  TrustedStores stores_;
};

TEST_F(StagingPolicyTest, StagesOnlyACoveredPackageFromATrustedPublisher) {
  put("pkg.cat", signedCatalog(all_));
  EXPECT_EQ(verdict(), kErrorSuccess);
  put("pkg.cat", signedCatalog(all_, HashAlgorithm::Sha1));
  EXPECT_EQ(verdict(), kErrorSuccess);
  put("drv.sys", tinyImage());
  ASSERT_TRUE(isPeImage(tinyImage().data(), tinyImage().size()));
  put("pkg.cat", signedCatalog(all_));
  EXPECT_EQ(verdict(), kErrorSuccess);

  put("drv.sys", "changed after signing");
  EXPECT_EQ(verdict(), kHashNotInCatalog);
  put("pkg.cat", signedCatalog({"pkg.inf", "drv.sys"}));  // the decorated section's file left out
  EXPECT_EQ(verdict(), kHashNotInCatalog);
  put("pkg.cat", signedCatalog(all_));
  put("pkg.inf", std::string(kInf) + "; edited\r\n");
  EXPECT_EQ(verdict(), kHashNotInCatalog);
  put("pkg.inf", kInf);
  std::filesystem::remove(folder_ + "/x64/extra.bin");
  EXPECT_EQ(verdict(), kErrorFileNotFound);
  put("x64/extra.bin", "extra");

  const TrustedStores trusted = stores_;
  stores_.root.clear();
  EXPECT_EQ(verdict(), kUntrustedRoot);
  stores_ = trusted;
  stores_.trustedPublisher.clear();
  EXPECT_EQ(verdict(), kPublisherNotTrusted);
  stores_ = trusted;
  now_ = daysBefore(now_, -31);
  EXPECT_EQ(verdict(), kExpired);
}

TEST_F(StagingPolicyTest, RefusesAnInfWithoutASoundSignedCatalog) {
  const std::string body = std::string(kInf).substr(std::string(kInf).find("\r\n\r\n"));
  const Bytes catalog = signedCatalog(all_);
  // x64 takes .NTamd64 over .NT over the plain entry, and no other decoration.
  put("pkg.inf", "[Version]\r\nCatalogFile.NTx86=pkg.cat" + body);
  EXPECT_EQ(verdict(), kNoCatalog);
  put("pkg.inf",
      "[Version]\r\nCatalogFile=no.cat\r\nCatalogFile.NT=no.cat\r\n"
      "CatalogFile.NTamd64=pkg.cat" +
          body);
  put("pkg.cat", signedCatalog(all_));
  EXPECT_EQ(verdict(), kErrorSuccess);
  put("pkg.inf", "[Version]\r\nCatalogFile=absent.cat" + body);
  EXPECT_EQ(verdict(), kErrorFileNotFound);

  put("pkg.inf", kInf);
  put("pkg.cat", "not DER at all");
  EXPECT_EQ(verdict(), kNoSignature);
  using namespace der;
  put("pkg.cat",
      sequence({objectId("1.2.840.113549.1.7.2"),
                explicitTag(
                    0, sequence({integer(1), setOf({}),
                                 sequence({objectId("1.3.6.1.4.1.311.10.1"),
                                           explicitTag(0, trustList(all_, HashAlgorithm::Sha256))}),
                                 setOf({})}))}));
  EXPECT_EQ(verdict(), kNoSignature);

  // A byte of the signed trust list changed: its list identifier.
  Bytes altered = catalog;
  const Bytes identifier(16, 0x5A);
  auto at = std::search(altered.begin(), altered.end(), identifier.begin(), identifier.end());
  ASSERT_NE(at, altered.end());
  *at ^= 1;
  put("pkg.cat", altered);
  EXPECT_EQ(verdict(), kBadDigest);
}

}  // namespace
}  // namespace lw
