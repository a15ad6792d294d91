#include "infpatch/inf_stream.h"

namespace lw {

namespace {
constexpr unsigned char kCtrlZ = 0x1A;
}

bool InfReader::seek(uint64_t offset) {
  pos_ = end_ = 0;
  ended_ = false;
  return platform().seekFile(file_, offset);
}

bool InfReader::refill() {
  if (ended_) return false;
  size_t got = platform().readFile(file_, buffer_, size_);
  pos_ = 0;
  end_ = got;
  // A read error is not told apart from the end of the file.
  if (got == 0) ended_ = true;
  return got != 0;
}

int InfReader::nextChar() {
  if (pos_ == end_ && !refill()) return -1;
  unsigned char c = buffer_[pos_];
  if (c == kCtrlZ) {
    // Stays unread, so every later call ends here too until the next seek.
    ended_ = true;
    end_ = pos_;
    return -1;
  }
  ++pos_;
  if (c != '\r') return c;
  if (pos_ == end_ && !refill()) return '\r';
  if (buffer_[pos_] != '\n') return '\r';
  ++pos_;
  return '\n';
}

int32_t InfReader::nextUnit() {
  if (pos_ == end_ && !refill()) return -1;
  unsigned low = buffer_[pos_++];
  if (pos_ == end_ && !refill()) return -1;
  unsigned high = buffer_[pos_++];
  return static_cast<int32_t>(low | high << 8);
}

bool InfWriter::flush() {
  if (used_ == 0) return true;
  size_t n = used_;
  used_ = 0;
  if (!platform().writeFile(file_, buffer_, n)) failed_ = true;
  return !failed_;
}

bool InfWriter::put(const char* text) {
  if (failed_) return false;
  if (*text == '\0') return true;
  if (newLinePending_) {
    newLinePending_ = false;
    if (!put("\n")) return false;
  }
  const char* p = text;
  for (; *p; ++p) {
    if (size_ - used_ < 2 && !flush()) return false;
    if (*p == '\n') buffer_[used_++] = '\r';
    buffer_[used_++] = *p;
  }
  atLineStart_ = p[-1] == '\n';
  return true;
}

bool InfWriter::write(const char* text) {
  if (!put(text)) return false;
  if (*text) endsWithPrefix_ = false;
  return true;
}

bool InfWriter::writePrefix(const char* text) {
  if (!put(text)) return false;
  if (*text) endsWithPrefix_ = true;
  return true;
}

bool InfWriter::close() {
  bool flushed = !failed_ && flush();
  bool closed = platform().closeFile(file_);
  return flushed && closed;
}

}  // namespace lw
