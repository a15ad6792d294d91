#include "signing/pe_image_hash.h"

#include <gtest/gtest.h>

#include "signing/test_bytes.h"

namespace lw {
namespace {

constexpr size_t kOptionalHeader = 0x58;
constexpr size_t kUnsignedSize = 0x640;  // the last section ends at 0x600

void put(Bytes* file, size_t offset, uint32_t value, int size = 4) {
  for (int i = 0; i < size; ++i) (*file)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t optionalSize(bool plus) { return plus ? 240 : 224; }
size_t sectionTable(bool plus) { return kOptionalHeader + optionalSize(plus); }
size_t certificateEntry(bool plus) { return kOptionalHeader + (plus ? 144 : 128); }

// Headers up to 0x200, .text at 0x200 and .data at 0x400 (listed the other
// way round in the section table), then 0x40 bytes of overlay.
Bytes buildPe(bool plus) {
  Bytes file(kUnsignedSize);
  for (size_t i = 0x200; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + i / 256);
  put(&file, 0, 0x5A4D, 2);
  put(&file, 0x3C, 0x40);
  put(&file, 0x40, 0x4550);
  put(&file, 0x44, plus ? 0x8664 : 0x14C, 2);
  put(&file, 0x46, 2, 2);
  put(&file, 0x54, static_cast<uint32_t>(optionalSize(plus)), 2);
  put(&file, kOptionalHeader, plus ? 0x20B : 0x10B, 2);
  put(&file, kOptionalHeader + 60, 0x200);   // SizeOfHeaders
  put(&file, kOptionalHeader + 64, 0x5EED);  // CheckSum
  put(&file, kOptionalHeader + (plus ? 108 : 92), 16);
  // SizeOfRawData and PointerToRawData of .data, then of .text.
  put(&file, sectionTable(plus) + 16, 0x200);
  put(&file, sectionTable(plus) + 20, 0x400);
  put(&file, sectionTable(plus) + 40 + 16, 0x200);
  put(&file, sectionTable(plus) + 40 + 20, 0x200);
  return file;
}

// The same image with a certificate table appended, as signing leaves it:
// another checksum, the table's entry filled in.
Bytes withCertificateTable(Bytes file, bool plus) {
  const uint32_t offset = static_cast<uint32_t>(file.size());
  file.resize(file.size() + 0x18, 0xC5);
  put(&file, certificateEntry(plus), offset);
  put(&file, certificateEntry(plus) + 4, 0x18);
  put(&file, kOptionalHeader + 64, 0xC0FFEE);
  return file;
}

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
