#include "signing/pe_image_hash.h"

#include <gtest/gtest.h>

#include "tests/support/test_bytes.h"
#include "tests/support/test_pe.h"

namespace lw {
namespace {

using namespace test_pe;

std::string hashOf(const Bytes& file, HashAlgorithm algorithm) {
  Bytes digest;
  if (!peImageHash(file.data(), file.size(), algorithm, &digest)) return "not a PE image";
  return hexOf(digest);
}

// The digests osslsigncode calculates for these images once it has signed
// them, which a script following the published steps also gives.
TEST(PeImageHashTest, KnownDigestsWithAndWithoutCertificateTable) {
  const struct {
    bool plus;
    const char* sha1;
    const char* sha256;
  } cases[] = {
      {false, "1b1a54436fd3aa0b670a1cdd394e61233e5d02df",
       "f6239c6cd4b3894939a4db98061e6951fabbbd31e54bfb63614ab4fd7213d27c"},
      {true, "863be48c37f5351a20a9ba338283256966e31264",
       "1c68db1f4b1ed6c90dbd6830511bf6dc611e7dd6d3470ed3248805c8aa571dbe"},
  };
  for (const auto& c : cases) {
    const Bytes image = buildPe(c.plus);
    for (const Bytes& file : {image, withCertificateTable(image, c.plus)}) {
      EXPECT_TRUE(isPeImage(file.data(), file.size()));
      EXPECT_EQ(hashOf(file, HashAlgorithm::Sha1), c.sha1) << c.plus;
      EXPECT_EQ(hashOf(file, HashAlgorithm::Sha256), c.sha256) << c.plus;
    }
  }
}

TEST(PeImageHashTest, RefusesDamagedImages) {
  const Bytes image = withCertificateTable(buildPe(true), true);
  // Cut short: the headers, then the sections, then the certificate table
  // lose their end.
  for (size_t size = 0; size < image.size(); ++size) {
    Bytes digest;
    EXPECT_FALSE(peImageHash(image.data(), size, HashAlgorithm::Sha1, &digest)) << size;
    EXPECT_FALSE(isPeImage(image.data(), size)) << size;
  }
  const size_t data = sectionTable(true);  // the first section header
  const struct {
    size_t offset;
    uint32_t value;
    int size;
  } damage[] = {
      {0, 0x5A4E, 2},                          // not MZ
      {0x3C, 0xFFFFFFF0, 4},                   // PE header past the end
      {kOptionalHeader, 0x10C, 2},             // neither PE32 nor PE32+
      {0x54, 0xFFFF, 2},                       // optional header past the headers
      {kOptionalHeader + 108, 4, 4},           // no certificate table entry
      {kOptionalHeader + 108, 0x20000000, 4},  // directories past the optional header
      {kOptionalHeader + 60, 0x100, 4},        // headers end inside the section table
      {0x46, 0x7000, 2},                       // section table past the headers
      {data + 16, 0xFFFFFFFF, 4},              // section past the end
      {data + 20, 0xFFFFFFF0, 4},              // section past the end
      {certificateEntry(true), 0x500, 4},      // certificate table inside a section
      {certificateEntry(true) + 4, 0x19, 4},   // certificate table past the end
  };
  for (const auto& d : damage) {
    Bytes file = image;
    put(&file, d.offset, d.value, d.size);
    EXPECT_EQ(hashOf(file, HashAlgorithm::Sha256), "not a PE image") << std::hex << d.offset;
  }
}

}  // namespace
}  // namespace lw
