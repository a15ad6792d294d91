// What every patch must keep of an 8-bit input, for tests and the fuzz
// target: the input's bytes, read and written back in text mode, stand in
// the output in order, with only inserted text between them.
#pragma once

#include <string>

namespace lw {

// CR LF and LF both become CR LF, as a text-mode read and write make them.
inline std::string textModeImage(const std::string& input) {
  std::string out;
  out.reserve(input.size() + input.size() / 16);
  for (size_t i = 0; i < input.size(); ++i) {
    if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') continue;
    if (input[i] == '\n') out += '\r';
    out += input[i];
  }
  return out;
}

inline bool isSubsequence(const std::string& kept, const std::string& output) {
  size_t o = 0;
  for (char c : kept) {
    o = output.find(c, o);  // memchr: fast even in an instrumented build
    if (o == std::string::npos) return false;
    ++o;
  }
  return true;
}

// Whether the engine reads the input as 16-bit text (a byte-order mark).
inline bool readsAsWide(const std::string& in) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(in[i]); };
  size_t n = in.size();
  if (n < 2) return false;
  if ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF)) return true;
  if (n >= 4 && at(0) == 0 && at(1) == 0 && at(2) == 0xFE && at(3) == 0xFF) return true;
  return n == 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF;
}

inline size_t countOf(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

}  // namespace lw
