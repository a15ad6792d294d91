// Buffered byte streams for the INF engine. Both builds must write the same
// bytes, so the Windows C runtime's text-mode rules are applied here on raw
// bytes instead of relying on a runtime's text mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signing/sha256.h"
#include "platform/platform.h"

namespace lw {

// Reads an INF through a fixed buffer. An 8-bit stream reads CR LF as LF
// (a pair is joined even across a buffer refill) and ends at a byte 0x1A;
// a wide stream yields little-endian 16-bit units and drops an odd last byte.
class InfReader {
 public:
  InfReader(FileHandle file, unsigned char* buffer, size_t size, uint16_t* units)
      : file_(file), buffer_(buffer), size_(size), units_(units) {}

  // Also forgets an end met before, as fseek clears the end-of-file state.
  bool seek(uint64_t offset);

  // The next character after text-mode translation; -1 at the end.
  int nextChar();
  // Up to `limit` characters of 8-bit text, through the first LF, as fgets
  // reads them; returns how many (0 at the end). Adds no NUL.
  int readLine(char* line, int limit);
  // The next 16-bit unit; -1 at the end.
  int32_t nextUnit();

  // A line of a wide file is gathered here before its conversion.
  uint16_t* unitBuffer() { return units_; }

 private:
  bool refill();

  FileHandle file_;
  unsigned char* buffer_;
  size_t size_;
  uint16_t* units_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
};

// Writes through a fixed buffer, turning every LF into CR LF. The first
// failed write is remembered; nothing is written after it. Given a hash,
// every byte handed to the file goes through it too.
class InfWriter {
 public:
  InfWriter(FileHandle file, char* buffer, size_t size, Sha256* hash = nullptr)
      : file_(file), buffer_(buffer), size_(size), hash_(hash) {}

  bool write(const char* text);
  // Text meant to become the beginning of whatever is written next.
  bool writePrefix(const char* text);

  // The last text written was a prefix with nothing after it yet.
  bool endsWithPrefix() const { return endsWithPrefix_; }
  // The next text written starts on a line of its own: a line end comes
  // first unless that text brings its own.
  void startNextOnNewLine() { newLinePending_ = !atLineStart_; }
  void cancelNewLine() { newLinePending_ = false; }

  bool failed() const { return failed_; }
  // Writes out the buffer and closes the file; false when data was lost.
  bool close();

 private:
  bool put(const char* text);
  bool append(const char* data, size_t length);
  bool flush();

  FileHandle file_;
  char* buffer_;
  size_t size_;
  Sha256* hash_;
  size_t used_ = 0;
  bool failed_ = false;
  bool atLineStart_ = true;
  bool endsWithPrefix_ = false;
  bool newLinePending_ = false;
};

}  // namespace lw
