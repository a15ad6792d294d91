#include "signing/der.h"

#include <algorithm>
#include <cstdio>

namespace lw {
namespace der {

namespace {

Bytes concatenated(const Bytes* first, const Bytes* last) {
  Bytes all;
  for (const Bytes* item = first; item != last; ++item)
    all.insert(all.end(), item->begin(), item->end());
  return all;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// `count` decimal digits at `text`, or -1.
int digitsAt(const uint8_t* text, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

void appendBase128(uint64_t value, Bytes* out) {
  uint8_t groups[10];
  int count = 0;
  do {
    groups[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count > 1) out->push_back(groups[--count] | 0x80);
  out->push_back(groups[0]);
}

}  // namespace

Bytes encode(uint8_t tag, const Bytes& contents) {
  Bytes out{tag};
  const size_t length = contents.size();
  if (length < 0x80) {
    out.push_back(static_cast<uint8_t>(length));
  } else {
    int lengthBytes = 0;
    for (size_t rest = length; rest != 0; rest >>= 8) ++lengthBytes;
    out.push_back(static_cast<uint8_t>(0x80 | lengthBytes));
    for (int i = lengthBytes - 1; i >= 0; --i)
      out.push_back(static_cast<uint8_t>(length >> (8 * i)));
  }
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}

Bytes sequence(std::initializer_list<Bytes> items) {
  return encode(Sequence, concatenated(items.begin(), items.end()));
}

Bytes sequenceOf(const std::vector<Bytes>& items) {
  return encode(Sequence, concatenated(items.data(), items.data() + items.size()));
}

Bytes setOf(std::vector<Bytes> items) {
  // Byte-wise order, a prefix first: the order X.690 asks for, where the
  // shorter encoding counts as padded with zero bytes.
  std::sort(items.begin(), items.end());
  return encode(Set, concatenated(items.data(), items.data() + items.size()));
}

Bytes objectId(const char* dotted) {
  std::vector<uint64_t> arcs;
  uint64_t arc = 0;
  for (const char* p = dotted;; ++p) {
    if (*p >= '0' && *p <= '9') {
      arc = arc * 10 + static_cast<uint64_t>(*p - '0');
    } else {
      arcs.push_back(arc);
      arc = 0;
      if (*p == '\0') break;
    }
  }
  Bytes contents;
  appendBase128(arcs[0] * 40 + (arcs.size() > 1 ? arcs[1] : 0), &contents);
  for (size_t i = 2; i < arcs.size(); ++i) appendBase128(arcs[i], &contents);
  return encode(ObjectId, contents);
}

Bytes unsignedInteger(const Bytes& bigEndian) {
  auto first = std::find_if(bigEndian.begin(), bigEndian.end(), [](uint8_t b) { return b != 0; });
  Bytes contents;
  if (first == bigEndian.end() || (*first & 0x80) != 0) contents.push_back(0);
  contents.insert(contents.end(), first, bigEndian.end());
  return encode(Integer, contents);
}

Bytes integer(int64_t value) {
  Bytes contents;
  for (int i = 7; i >= 0; --i)
    contents.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
  // Drop a leading byte that only repeats the sign of the next.
  size_t skip = 0;
  while (skip < 7 && ((contents[skip] == 0x00 && (contents[skip + 1] & 0x80) == 0) ||
                      (contents[skip] == 0xFF && (contents[skip + 1] & 0x80) != 0))) {
    ++skip;
  }
  contents.erase(contents.begin(), contents.begin() + static_cast<std::ptrdiff_t>(skip));
  return encode(Integer, contents);
}

Bytes boolean(bool value) {
  return encode(Boolean, Bytes{static_cast<uint8_t>(value ? 0xFF : 0x00)});
}

Bytes null() { return encode(Null, Bytes()); }

Bytes octetString(const Bytes& contents) { return encode(OctetString, contents); }

Bytes bitString(const Bytes& contents) {
  Bytes withUnusedBits{0};
  withUnusedBits.insert(withUnusedBits.end(), contents.begin(), contents.end());
  return encode(BitString, withUnusedBits);
}

Bytes bmpString(const std::string& ascii) {
  Bytes contents;
  for (char c : ascii) {
    contents.push_back(0);
    contents.push_back(static_cast<uint8_t>(c));
  }
  return encode(BmpString, contents);
}

Bytes utf8String(const std::string& text) { return encode(Utf8String, bytesOf(text)); }

Bytes printableString(const std::string& text) { return encode(PrintableString, bytesOf(text)); }

Bytes time(const UtcTime& when) {
  const bool utcTime = when.year >= 1950 && when.year <= 2049;
  char text[20];
  if (utcTime) {
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02dZ", when.year % 100, when.month,
                  when.day, when.hour, when.minute, when.second);
  } else {
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02dZ", when.year, when.month, when.day,
                  when.hour, when.minute, when.second);
  }
  return encode(utcTime ? UtcTimeTag : GeneralizedTime, bytesOf(text));
}

Bytes explicitTag(int n, const Bytes& inner) {
  return encode(static_cast<uint8_t>(0xA0 + n), inner);
}

Bytes implicitConstructed(int n, const Bytes& innerEncoding) {
  Reader reader(innerEncoding);
  Element inner;
  if (!reader.next(&inner)) return Bytes();
  return encode(static_cast<uint8_t>(0xA0 + n), inner.contentBytes());
}

bool Reader::next(Element* out) {
  if (!ok_ || at_ == end_) return false;
  ok_ = false;  // until the element proves whole
  const uint8_t* p = at_;
  const uint8_t tag = *p++;
  if ((tag & 0x1F) == 0x1F || p == end_) return false;  // a multi-byte tag, or no length
  size_t length = *p++;
  if (length & 0x80) {
    // Long form, minimal as DER has it: no indefinite length, no leading
    // zero byte, nothing a short form could say.
    const size_t lengthBytes = length & 0x7F;
    if (lengthBytes == 0 || lengthBytes > sizeof(size_t) ||
        lengthBytes > static_cast<size_t>(end_ - p) || *p == 0) {
      return false;
    }
    length = 0;
    for (size_t i = 0; i < lengthBytes; ++i) length = length << 8 | *p++;
    if (length < 0x80) return false;
  }
  if (length > static_cast<size_t>(end_ - p)) return false;
  out->tag = tag;
  out->begin = at_;
  out->contents = p;
  out->length = length;
  out->size = static_cast<size_t>(p + length - at_);
  at_ = p + length;
  ok_ = true;
  return true;
}

bool Reader::expect(uint8_t tag, Element* out) {
  // An element with another tag stays unread: the caller may try the
  // next alternative, as for an optional field.
  Reader ahead = *this;
  Element element;
  if (!ahead.next(&element)) {
    ok_ = ahead.ok_;
    return false;
  }
  if (element.tag != tag) return false;
  *this = ahead;
  *out = element;
  return true;
}

std::string objectIdText(const Element& oid) {
  if (oid.tag != ObjectId || oid.length == 0 || (oid.contents[oid.length - 1] & 0x80) != 0) {
    return std::string();
  }
  std::string text;
  uint64_t arc = 0;
  bool firstArc = true;
  for (size_t i = 0; i < oid.length; ++i) {
    const uint8_t byte = oid.contents[i];
    const bool startsArc = i == 0 || (oid.contents[i - 1] & 0x80) == 0;
    // A leading 0x80 pads the arc, which DER forbids; more than 63 bits do
    // not fit.
    if ((startsArc && byte == 0x80) || arc >> 57 != 0) return std::string();
    arc = arc << 7 | (byte & 0x7F);
    if (byte & 0x80) continue;
    if (firstArc) {
      const uint64_t top = arc < 40 ? 0 : arc < 80 ? 1 : 2;
      text = std::to_string(top) + "." + std::to_string(arc - 40 * top);
      firstArc = false;
    } else {
      text += "." + std::to_string(arc);
    }
    arc = 0;
  }
  return text;
}

Bytes integerMagnitude(const Element& integer) {
  if (integer.tag != Integer || integer.length == 0 || (integer.contents[0] & 0x80) != 0) {
    return Bytes();
  }
  const uint8_t* first = integer.contents;
  const uint8_t* end = integer.contents + integer.length;
  while (first != end && *first == 0) ++first;
  return Bytes(first, end);
}

bool readTime(const Element& element, UtcTime* out) {
  const uint8_t* text = element.contents;
  int yearDigits;
  if (element.tag == UtcTimeTag && element.length == 13) {
    yearDigits = 2;
  } else if (element.tag == GeneralizedTime && element.length == 15) {
    yearDigits = 4;
  } else {
    return false;
  }
  if (text[element.length - 1] != 'Z') return false;
  UtcTime when;
  when.year = digitsAt(text, yearDigits);
  if (yearDigits == 2 && when.year >= 0) when.year += when.year < 50 ? 2000 : 1900;
  const uint8_t* rest = text + yearDigits;
  when.month = digitsAt(rest, 2);
  when.day = digitsAt(rest + 2, 2);
  when.hour = digitsAt(rest + 4, 2);
  when.minute = digitsAt(rest + 6, 2);
  when.second = digitsAt(rest + 8, 2);
  if (when.year < 0 || when.month < 1 || when.month > 12 || when.day < 1 ||
      when.day > daysInMonth(when.year, when.month) || when.hour < 0 || when.hour > 23 ||
      when.minute < 0 || when.minute > 59 || when.second < 0 || when.second > 59) {
    return false;
  }
  *out = when;
  return true;
}

}  // namespace der
}  // namespace lw
