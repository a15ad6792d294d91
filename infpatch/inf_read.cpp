// Reading an INF: the byte-order-mark probe, the line reader and the line
// tests of both passes.
#include <cstring>

#include "infpatch/inf_engine.h"

namespace lw {

namespace {

// White space of the default C locale; bytes above 0x7F are never space.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t trimmedLength(const char* line) {
  size_t n = std::strlen(line);
  while (n > 0 && isBlank(line[n - 1])) --n;
  return n;
}

bool isHeader(const char* line, size_t length) {
  return length >= 2 && line[0] == '[' && line[length - 1] == ']';
}

bool readNarrowLine(char* buffer, int capacity, InfReader* stream) {
  int n = stream->readLine(buffer, capacity - 1);
  buffer[n] = '\0';
  // A NUL read from the file ends the line's text there, as for fgets.
  return n > 0;
}

bool readWideLine(char* buffer, int capacity, InfReader* stream, PatchResult* result) {
  uint16_t* units = stream->unitBuffer();  // kInfLineCapacity units
  int limit = (capacity < kInfLineCapacity ? capacity : kInfLineCapacity) - 1;
  int n = 0;
  while (n < limit) {
    int32_t unit = stream->nextUnit();
    if (unit < 0) break;
    units[n++] = static_cast<uint16_t>(unit);
    if (unit == 0x000A) break;
  }
  if (n == 0) return false;
  units[n] = 0;
  if (platform().wideToAnsi(units, -1, buffer, capacity) == 0) {
    buffer[0] = '\0';
    *result = PatchResult::PatchReadError;
    return false;
  }
  return true;
}

}  // namespace

void trimLineEnd(char* line) {
  if (!line) return;
  line[trimmedLength(line)] = '\0';
}

bool isSectionHeader(const char* trimmedLine) {
  return trimmedLine && isHeader(trimmedLine, std::strlen(trimmedLine));
}

bool isSectionHeaderUntrimmed(const char* line) { return isHeader(line, trimmedLength(line)); }

ByteOrderMark probeByteOrderMark(const char* path) {
  ByteOrderMark mark{false, 0};
  if (!path || !*path) return mark;
  FileHandle file = platform().openRead(path);
  if (!file) return mark;
  // Only the low 32 bits of the size, as GetFileSize gives them.
  uint32_t size = static_cast<uint32_t>(platform().fileSize(file));
  if (size >= 2) {
    unsigned char b[4] = {0, 0, 0, 0};
    size_t n = size < 4 ? size : 4;
    if (platform().readFile(file, b, n) == n) {
      if ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)) mark = {true, 2};
      if (n == 4 && ((b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0) ||
                     (b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF))) {
        mark = {true, 4};
      }
      // Only a file of exactly these three bytes; a longer one is 8-bit
      // text whose first line starts with them.
      if (n == 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) mark = {true, 3};
    }
  }
  platform().closeFile(file);
  return mark;
}

bool readInfLine(char* buffer, int capacity, InfReader* stream, bool wide, PatchResult* result) {
  if (!buffer || capacity < 1) {
    *result = PatchResult::PatchBadArgs;
    return false;
  }
  *result = PatchResult::PatchOk;
  buffer[0] = '\0';
  if (!stream) return false;
  return wide ? readWideLine(buffer, capacity, stream, result)
              : readNarrowLine(buffer, capacity, stream);
}

}  // namespace lw
