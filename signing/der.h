// DER (ITU-T X.690), as much as certificates, PKCS #7 and catalogs need:
// writers that return whole encodings, and a reader over definite lengths.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

#include "signing/bytes.h"

namespace lw {
namespace der {

enum Tag : uint8_t {
  Boolean = 0x01,
  Integer = 0x02,
  BitString = 0x03,
  OctetString = 0x04,
  Null = 0x05,
  ObjectId = 0x06,
  Utf8String = 0x0C,
  PrintableString = 0x13,
  Ia5String = 0x16,
  UtcTimeTag = 0x17,
  GeneralizedTime = 0x18,
  BmpString = 0x1E,
  Sequence = 0x30,
  Set = 0x31,
};

// Tag, length and contents.
Bytes encode(uint8_t tag, const Bytes& contents);
// The items one after another inside one SEQUENCE.
Bytes sequence(std::initializer_list<Bytes> items);
Bytes sequenceOf(const std::vector<Bytes>& items);
// SET OF: DER orders the members by their encodings.
Bytes setOf(std::vector<Bytes> items);
// "1.2.840.113549.1.7.2"
Bytes objectId(const char* dotted);
// A non-negative integer from its big-endian magnitude (leading zeros
// dropped, a zero byte put in front where the top bit is set).
Bytes unsignedInteger(const Bytes& bigEndian);
Bytes integer(int64_t value);
Bytes boolean(bool value);
Bytes null();
Bytes octetString(const Bytes& contents);
Bytes bitString(const Bytes& contents);  // no unused bits
// UTF-16 big-endian of 7-bit text.
Bytes bmpString(const std::string& ascii);
Bytes utf8String(const std::string& text);
Bytes printableString(const std::string& text);
// UTCTime up to 2049, GeneralizedTime from 2050, as RFC 5280 asks.
Bytes time(const UtcTime& when);
// [n] EXPLICIT: the whole inner encoding inside a constructed tag A0+n.
Bytes explicitTag(int n, const Bytes& inner);
// [n] IMPLICIT on a constructed type: the inner contents under tag A0+n.
Bytes implicitConstructed(int n, const Bytes& innerEncoding);

// One element found by the reader.
struct Element {
  uint8_t tag = 0;
  const uint8_t* begin = nullptr;     // first byte of the tag
  size_t size = 0;                    // tag, length and contents
  const uint8_t* contents = nullptr;  // first byte of the contents
  size_t length = 0;                  // bytes of contents
  Bytes encoding() const { return Bytes(begin, begin + size); }
  Bytes contentBytes() const { return Bytes(contents, contents + length); }
};

// Reads the elements of a span one at a time. Only single-byte tags and
// definite lengths (DER) are accepted; a malformed element ends the reading
// with ok() false.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
  explicit Reader(const Element& constructed) : Reader(constructed.contents, constructed.length) {}
  explicit Reader(const Bytes& data) : Reader(data.data(), data.size()) {}
  // The next element; false at the end or on malformed input.
  bool next(Element* out);
  // The next element, which must carry `tag`.
  bool expect(uint8_t tag, Element* out);
  bool atEnd() const { return at_ == end_; }
  bool ok() const { return ok_; }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
  bool ok_ = true;
};

// "1.2.840.113549.1.7.2"; empty when the element is not a valid OID.
std::string objectIdText(const Element& oid);
// The magnitude of a non-negative INTEGER, without leading zero bytes.
Bytes integerMagnitude(const Element& integer);
// UTCTime or GeneralizedTime ("YYMMDDHHMMSSZ", "YYYYMMDDHHMMSSZ").
bool readTime(const Element& element, UtcTime* out);

}  // namespace der
}  // namespace lw
