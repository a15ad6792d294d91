#include "signing/pe_image_hash.h"

#include <algorithm>
#include <vector>

namespace lw {

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kDosHeaderSize = 0x40;
constexpr size_t kNewHeaderOffsetField = 0x3C;
constexpr size_t kFileHeaderSize = 20;  // after the 4-byte signature
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kCertificateDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;
// Offsets within the optional header, the same in PE32 and PE32+.
constexpr size_t kSizeOfHeadersField = 60;
constexpr size_t kChecksumField = 64;

struct Span {
  uint64_t offset = 0;
  uint64_t size = 0;
  uint64_t end() const { return offset + size; }
};

// Where the parts of an image lie in its file, all checked to be inside it.
struct PeLayout {
  uint64_t checksumOffset = 0;
  uint64_t certificateEntryOffset = 0;
  uint64_t sizeOfHeaders = 0;
  std::vector<Span> sections;  // with raw data, in file order
  Span certificateTable;       // size 0 when the image carries none
};

uint32_t read16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }

uint32_t read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Offsets are computed in 64 bits from 32-bit fields, so no sum overflows.
bool parseLayout(const uint8_t* data, size_t size, PeLayout* layout) {
  if (data == nullptr || size < kDosHeaderSize || data[0] != 'M' || data[1] != 'Z') return false;
  const uint64_t peOffset = read32(data + kNewHeaderOffsetField);
  const uint64_t optionalOffset = peOffset + 4 + kFileHeaderSize;
  if (optionalOffset + 2 > size) return false;
  const uint8_t* pe = data + peOffset;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return false;
  const uint32_t sectionCount = read16(pe + 6);
  const uint64_t optionalSize = read16(pe + 20);

  const uint32_t magic = read16(data + optionalOffset);
  size_t directoryCountField;
  if (magic == kPe32Magic) {
    directoryCountField = 92;
  } else if (magic == kPe32PlusMagic) {
    directoryCountField = 108;
  } else {
    return false;
  }
  const uint64_t directoriesOffset = directoryCountField + 4;  // within the optional header
  if (optionalSize < directoriesOffset || optionalOffset + optionalSize > size) return false;
  const uint8_t* optional = data + optionalOffset;
  const uint64_t directoryCount = read32(optional + directoryCountField);
  // The certificate table's entry must be there: its place is what the
  // hash leaves out.
  if (directoryCount <= kCertificateDirectory ||
      directoriesOffset + directoryCount * kDirectoryEntrySize > optionalSize) {
    return false;
  }
  layout->checksumOffset = optionalOffset + kChecksumField;
  layout->certificateEntryOffset =
      optionalOffset + directoriesOffset + kCertificateDirectory * kDirectoryEntrySize;
  layout->sizeOfHeaders = read32(optional + kSizeOfHeadersField);
  const uint64_t sectionTableEnd =
      optionalOffset + optionalSize + uint64_t{sectionCount} * kSectionHeaderSize;
  if (sectionTableEnd > layout->sizeOfHeaders || layout->sizeOfHeaders > size) return false;

  const uint8_t* certificateEntry = data + layout->certificateEntryOffset;
  layout->certificateTable.offset = read32(certificateEntry);
  layout->certificateTable.size = read32(certificateEntry + 4);

  layout->sections.clear();
  uint64_t dataEnd = layout->sizeOfHeaders;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint8_t* header = data + optionalOffset + optionalSize + i * kSectionHeaderSize;
    Span section;
    section.size = read32(header + 16);
    section.offset = read32(header + 20);
    if (section.size == 0) continue;
    if (section.end() > size) return false;
    layout->sections.push_back(section);
    dataEnd = std::max(dataEnd, section.end());
  }
  std::stable_sort(layout->sections.begin(), layout->sections.end(),
                   [](const Span& a, const Span& b) { return a.offset < b.offset; });
  // The certificate table lies after everything else that is hashed.
  const Span& table = layout->certificateTable;
  if (table.size != 0 && (table.offset < dataEnd || table.end() > size)) return false;
  return true;
}

}  // namespace

bool isPeImage(const uint8_t* data, size_t size) {
  PeLayout layout;
  return parseLayout(data, size, &layout);
}

bool peImageHash(const uint8_t* data, size_t size, HashAlgorithm algorithm, Bytes* out) {
  PeLayout layout;
  if (!parseLayout(data, size, &layout)) return false;
  Digest digest(algorithm);
  auto hashRange = [&](uint64_t begin, uint64_t end) {
    if (end > begin) digest.update(data + begin, static_cast<size_t>(end - begin));
  };
  // The headers, less the checksum and the certificate table's entry.
  hashRange(0, layout.checksumOffset);
  hashRange(layout.checksumOffset + 4, layout.certificateEntryOffset);
  hashRange(layout.certificateEntryOffset + kDirectoryEntrySize, layout.sizeOfHeaders);
  uint64_t dataEnd = layout.sizeOfHeaders;
  for (const Span& section : layout.sections) {
    hashRange(section.offset, section.end());
    dataEnd = std::max(dataEnd, section.end());
  }
  // What follows the sections, less the certificate table.
  const Span& table = layout.certificateTable;
  if (table.size == 0) {
    hashRange(dataEnd, size);
  } else {
    hashRange(dataEnd, table.offset);
    hashRange(table.end(), size);
  }
  *out = digest.finish();
  return true;
}

}  // namespace lw
