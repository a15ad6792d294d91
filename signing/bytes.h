// Byte strings and calendar times, as the signing code passes them around.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lw {

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A moment in UTC, to the second, as certificates and catalogs carry it.
struct UtcTime {
  int year = 0;   // 1601 to 9999
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Ordering of moments, for validity checks.
inline bool operator<(const UtcTime& a, const UtcTime& b) {
  const int x[] = {a.year, a.month, a.day, a.hour, a.minute, a.second};
  const int y[] = {b.year, b.month, b.day, b.hour, b.minute, b.second};
  for (int i = 0; i < 6; ++i) {
    if (x[i] != y[i]) return x[i] < y[i];
  }
  return false;
}

// The same moment a whole number of days earlier (negative: later).
UtcTime daysBefore(const UtcTime& when, int days);

}  // namespace lw
