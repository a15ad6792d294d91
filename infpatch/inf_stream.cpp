#include "infpatch/inf_stream.h"

#include <cstring>

namespace lw {

namespace {

constexpr unsigned char kCtrlZ = 0x1A;

// Bytes that end a run copied as it stands: LF, CR (a pair to join) and
// 0x1A (the end of the text).
struct RunEnds {
  bool of[256] = {};
  constexpr RunEnds() : of() {
    of[static_cast<unsigned char>('\n')] = true;
    of[static_cast<unsigned char>('\r')] = true;
    of[kCtrlZ] = true;
  }
};
constexpr RunEnds kRunEnds;

}  // namespace

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

int InfReader::readLine(char* line, int limit) {
  int n = 0;
  while (n < limit) {
    if (pos_ == end_ && !refill()) break;
    const unsigned char* p = buffer_ + pos_;
    size_t available = end_ - pos_;
    size_t room = static_cast<size_t>(limit - n);
    size_t span = available < room ? available : room;
    size_t run = 0;
    while (run < span && !kRunEnds.of[p[run]]) ++run;
    std::memcpy(line + n, p, run);
    n += static_cast<int>(run);
    pos_ += run;
    if (run == span) continue;
    int c = nextChar();
    if (c < 0) break;
    line[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return n;
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
  if (hash_) hash_->update(buffer_, n);
  if (!platform().writeFile(file_, buffer_, n)) failed_ = true;
  return !failed_;
}

bool InfWriter::append(const char* data, size_t length) {
  while (length > 0) {
    if (used_ == size_ && !flush()) return false;
    size_t take = size_ - used_ < length ? size_ - used_ : length;
    std::memcpy(buffer_ + used_, data, take);
    used_ += take;
    data += take;
    length -= take;
  }
  return true;
}

bool InfWriter::put(const char* text) {
  if (failed_) return false;
  size_t length = std::strlen(text);
  if (length == 0) return true;
  if (newLinePending_) {
    newLinePending_ = false;
    // Text that opens with its own line end already starts a new line.
    if (*text != '\n' && !put("\n")) return false;
  }
  const char* end = text + length;
  for (const char* p = text; p < end;) {
    auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    const char* stop = lf ? lf : end;
    if (!append(p, stop - p)) return false;
    if (!lf) break;
    if (!append("\r\n", 2)) return false;
    p = lf + 1;
  }
  atLineStart_ = end[-1] == '\n';
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
