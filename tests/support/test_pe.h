// Small PE images for the tests: headers, two sections and an overlay, in
// the 32-bit (PE32) or 64-bit (PE32+) layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signing/bytes.h"

namespace lw {
namespace test_pe {

inline constexpr size_t kOptionalHeader = 0x58;
inline constexpr size_t kUnsignedSize = 0x640;  // the last section ends at 0x600

inline void put(Bytes* file, size_t offset, uint32_t value, int size = 4) {
  for (int i = 0; i < size; ++i) (*file)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline size_t optionalSize(bool plus) { return plus ? 240 : 224; }
inline size_t sectionTable(bool plus) { return kOptionalHeader + optionalSize(plus); }
inline size_t certificateEntry(bool plus) { return kOptionalHeader + (plus ? 144 : 128); }

// Headers up to 0x200, .text at 0x200 and .data at 0x400 (listed the other
// way round in the section table), then 0x40 bytes of overlay.
inline Bytes buildPe(bool plus) {
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
inline Bytes withCertificateTable(Bytes file, bool plus) {
  const uint32_t offset = static_cast<uint32_t>(file.size());
  file.resize(file.size() + 0x18, 0xC5);
  put(&file, certificateEntry(plus), offset);
  put(&file, certificateEntry(plus) + 4, 0x18);
  put(&file, kOptionalHeader + 64, 0xC0FFEE);
  return file;
}

}  // namespace test_pe
}  // namespace lw
