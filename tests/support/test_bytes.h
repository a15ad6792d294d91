// Byte strings spelled in hex, for the signing tests' known answers.
#pragma once

#include <string>

#include "signing/bytes.h"

namespace lw {

// "30 0a..." or "300a...": spaces are skipped.
inline Bytes hexBytes(const char* hex) {
  auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  Bytes bytes;
  for (const char* p = hex; *p != '\0'; p += *p == ' ' ? 1 : 2) {
    if (*p != ' ') bytes.push_back(static_cast<uint8_t>(value(p[0]) << 4 | value(p[1])));
  }
  return bytes;
}

inline bool sameTime(const UtcTime& a, const UtcTime& b) { return !(a < b) && !(b < a); }

inline std::string hexOf(const Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

}  // namespace lw
