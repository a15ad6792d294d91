#include "signing/catalog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "signing/catalog_verify.h"
#include "tests/support/test_bytes.h"

namespace lw {
namespace {

// The catalogs are signed with openssl's keys and checked by osslsigncode,
// which reads them as Windows' own tools write them.
std::string run(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(("{ " + command + "; } 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::string upperHex(const Bytes& bytes) {
  std::string hex = hexOf(bytes);
  std::transform(hex.begin(), hex.end(), hex.begin(), ::toupper);
  return hex;
}

// How `text` shows in asn1parse's dump of an OCTET STRING: UTF-16LE with NUL.
std::string utf16Dump(const std::string& text) {
  std::string dump = "[HEX DUMP]:";
  for (char c : text) dump += upperHex(Bytes{static_cast<uint8_t>(c)}) + "00";
  return dump + "0000";
}

struct Signer {
  std::string key;
  std::string certificatePem;
  Bytes certificate;
};

class CatalogTest : public ::testing::TestWithParam<HashAlgorithm> {
 protected:
  static void SetUpTestSuite() {
    int status;
    run("command -v openssl && command -v osslsigncode", &status);
    if (status != 0) return;
    std::string pattern = ::testing::TempDir() + "lw-catalog-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) return;
    dir_ = pattern;
    trusted_ = makeSigner("trusted", "-addext extendedKeyUsage=codeSigning");
    other_ = makeSigner("other", "");
  }

  static void TearDownTestSuite() {
    int status;
    if (!dir_.empty()) run("rm -rf '" + dir_ + "'", &status);
    dir_.clear();
  }

  void SetUp() override {
    if (dir_.empty()) GTEST_SKIP() << "openssl and osslsigncode are needed for the catalog tests";
    ASSERT_FALSE(trusted_.certificate.empty());
    ASSERT_FALSE(other_.certificate.empty());
  }

  static Signer makeSigner(const std::string& name, const std::string& usage) {
    Signer signer{dir_ + "/" + name + ".key", dir_ + "/" + name + ".pem", Bytes()};
    int status;
    run("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + signer.key + " -out " +
            signer.certificatePem + " -subj '/CN=Linkwright test signer' " + usage +
            " -days 36500 && openssl x509 -in " + signer.certificatePem + " -outform DER -out " +
            signer.certificatePem + ".der",
        &status);
    if (status == 0) signer.certificate = readFile(signer.certificatePem + ".der");
    return signer;
  }

  static AttributeSigner attributeSigner(const Signer& signer, HashAlgorithm algorithm) {
    return [signer, algorithm](const Bytes& attributes, Bytes* out) {
      writeFile(dir_ + "/attributes", attributes);
      int status;
      run(std::string("openssl dgst -") + (algorithm == HashAlgorithm::Sha1 ? "sha1" : "sha256") +
              " -sign " + signer.key + " -out " + dir_ + "/signature " + dir_ + "/attributes",
          &status);
      *out = readFile(dir_ + "/signature");
      return status == 0;
    };
  }

  CatalogContent content() const {
    const HashAlgorithm algorithm = GetParam();
    CatalogContent content;
    content.algorithm = algorithm;
    content.osAttribute = "2:6.0,2:6.1,2:6.2,2:6.3,2:10.0";
    content.listIdentifier = hexBytes("5a1c0f3e 9b2d4e6f 8a7b6c5d 4e3f2a1b");
    content.thisUpdate = UtcTime{2024, 5, 17, 9, 30, 0};
    content.members = {
        {"usbser.inf", digestOf(algorithm, bytesOf("[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n")),
         false},
        {"usbser.sys", digestOf(algorithm, bytesOf("MZ a small image")), true},
    };
    return content;
  }

  Bytes signedCatalog(const Signer& signer) const {
    Bytes catalog;
    EXPECT_TRUE(signCatalog(encodeTrustList(content()), signer.certificate, GetParam(),
                            attributeSigner(signer, GetParam()), &catalog));
    return catalog;
  }

  static UtcTime now() {
    const std::time_t seconds = std::time(nullptr);
    std::tm parts;
    gmtime_r(&seconds, &parts);
    return UtcTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                   parts.tm_hour,        parts.tm_min,     parts.tm_sec};
  }

  static std::string dir_;
  static Signer trusted_;
  static Signer other_;
};

std::string CatalogTest::dir_;
Signer CatalogTest::trusted_;
Signer CatalogTest::other_;

TEST_P(CatalogTest, SignedCatalogPassesOsslsigncodeAndReadsBack) {
  const Bytes catalog = signedCatalog(trusted_);
  const std::string path = dir_ + "/package.cat";
  writeFile(path, catalog);
  int status;
  const std::string verified = run(
      "osslsigncode verify -verbose -in " + path + " -CAfile " + trusted_.certificatePem, &status);
  EXPECT_EQ(status, 0) << verified;
  const std::string parsed = run("openssl asn1parse -inform DER -in " + path, &status);
  EXPECT_EQ(status, 0) << parsed;

  HashAlgorithm algorithm;
  std::vector<CatalogMember> members;
  ASSERT_TRUE(readCatalogMembers(catalog, &algorithm, &members));
  EXPECT_EQ(algorithm, GetParam());
  const std::vector<CatalogMember> files = content().members;
  ASSERT_EQ(members.size(), files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(members[i].fileName, files[i].fileName);
    EXPECT_EQ(members[i].hash, files[i].hash);
    EXPECT_EQ(members[i].peImage, files[i].peImage);
    // Windows looks the member up by its tag, the hash in uppercase hex.
    EXPECT_NE(parsed.find(utf16Dump(upperHex(files[i].hash))), std::string::npos);
    EXPECT_NE(verified.find("File name: " + files[i].fileName), std::string::npos) << verified;
    EXPECT_NE(verified.find(upperHex(files[i].hash)), std::string::npos) << verified;
  }
  EXPECT_EQ(verifyCatalog(catalog, trusted_.certificate, files, now()), CatalogCheck::Ok);
}

Bytes withByteChanged(Bytes bytes, const Bytes& pattern, size_t offset, uint8_t value) {
  const auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  EXPECT_NE(at, bytes.end());
  if (at != bytes.end()) *(at + static_cast<std::ptrdiff_t>(offset)) = value;
  return bytes;
}

TEST_P(CatalogTest, EachFaultHasItsOwnResult) {
  const Bytes catalog = signedCatalog(trusted_);
  ASSERT_FALSE(catalog.empty());
  const std::vector<CatalogMember> files = content().members;
  std::vector<CatalogMember> changedHash = files, oneMissing = files, oneExtra = files,
                             otherKind = files;
  changedHash[1].hash[3] ^= 0x01;
  oneMissing.pop_back();
  oneExtra.push_back({"usbser.cat", files[0].hash, false});
  otherKind[1].peImage = false;
  Bytes truncated = catalog;
  truncated.pop_back();
  Bytes otherSignature = catalog;
  otherSignature.back() ^= 0x01;
  // Commercial instead of individual code signing: an attribute, not the digest.
  const Bytes statement =
      withByteChanged(catalog, hexBytes("06 0a 2b 06 01 04 01 82 37 02 01 15"), 11, 0x16);
  const Bytes listChanged = withByteChanged(catalog, content().listIdentifier, 0, 0x00);
  const UtcTime later{2200, 1, 1, 0, 0, 0};
  const UtcTime earlier{2000, 1, 1, 0, 0, 0};

  const struct {
    const char* what;
    const Bytes& catalog;
    const Bytes& root;
    const std::vector<CatalogMember>& files;
    UtcTime now;
    CatalogCheck expected;
  } cases[] = {
      {"a file's hash changed", catalog, trusted_.certificate, changedHash, now(),
       CatalogCheck::MemberMismatch},
      {"a file missing", catalog, trusted_.certificate, oneMissing, now(),
       CatalogCheck::MemberMismatch},
      {"an extra file", catalog, trusted_.certificate, oneExtra, now(),
       CatalogCheck::MemberMismatch},
      {"a PE listed as flat", catalog, trusted_.certificate, otherKind, now(),
       CatalogCheck::MemberMismatch},
      {"another root", catalog, other_.certificate, files, now(), CatalogCheck::UntrustedSigner},
      {"after notAfter", catalog, trusted_.certificate, files, later, CatalogCheck::NotValidNow},
      {"before notBefore", catalog, trusted_.certificate, files, earlier,
       CatalogCheck::NotValidNow},
      {"an attribute changed", statement, trusted_.certificate, files, now(),
       CatalogCheck::BadSignature},
      {"the signature changed", otherSignature, trusted_.certificate, files, now(),
       CatalogCheck::BadSignature},
      {"the trust list changed", listChanged, trusted_.certificate, files, now(),
       CatalogCheck::ContentChanged},
      {"cut short", truncated, trusted_.certificate, files, now(), CatalogCheck::Malformed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(verifyCatalog(c.catalog, c.root, c.files, c.now), c.expected) << c.what;
  }
  EXPECT_EQ(verifyCatalog(signedCatalog(other_), other_.certificate, files, now()),
            CatalogCheck::NotForCodeSigning);
}

// A signer that fails, or signs with a key the certificate does not hold,
// leaves no catalog behind.
TEST_P(CatalogTest, SigningFailsRatherThanWritingACatalogThatCannotVerify) {
  const Bytes trustList = encodeTrustList(content());
  Bytes catalog;
  EXPECT_FALSE(signCatalog(
      trustList, trusted_.certificate, GetParam(), [](const Bytes&, Bytes*) { return false; },
      &catalog));
  EXPECT_FALSE(signCatalog(trustList, trusted_.certificate, GetParam(),
                           attributeSigner(other_, GetParam()), &catalog));
  EXPECT_TRUE(catalog.empty());
}

INSTANTIATE_TEST_SUITE_P(BothDigests, CatalogTest,
                         ::testing::Values(HashAlgorithm::Sha1, HashAlgorithm::Sha256),
                         [](const ::testing::TestParamInfo<HashAlgorithm>& info) {
                           return info.param == HashAlgorithm::Sha1 ? "Sha1" : "Sha256";
                         });

}  // namespace
}  // namespace lw
