#include "signing/catalog.h"

#include "signing/der.h"
#include "signing/rsa.h"
#include "signing/x509.h"

namespace lw {

namespace {

constexpr char kSignedDataOid[] = "1.2.840.113549.1.7.2";
constexpr char kContentTypeOid[] = "1.2.840.113549.1.9.3";
constexpr char kMessageDigestOid[] = "1.2.840.113549.1.9.4";
constexpr char kRsaEncryptionOid[] = "1.2.840.113549.1.1.1";
constexpr char kTrustListOid[] = "1.3.6.1.4.1.311.10.1";
constexpr char kCatalogListOid[] = "1.3.6.1.4.1.311.12.1.1";
constexpr char kCatalogListMemberOid[] = "1.3.6.1.4.1.311.12.1.2";
constexpr char kNameValueOid[] = "1.3.6.1.4.1.311.12.2.1";
constexpr char kMemberInfoOid[] = "1.3.6.1.4.1.311.12.2.2";
constexpr char kIndirectDataOid[] = "1.3.6.1.4.1.311.2.1.4";
constexpr char kPeImageDataOid[] = "1.3.6.1.4.1.311.2.1.15";
constexpr char kCabDataOid[] = "1.3.6.1.4.1.311.2.1.25";
constexpr char kStatementTypeOid[] = "1.3.6.1.4.1.311.2.1.11";
constexpr char kIndividualCodeSigningOid[] = "1.3.6.1.4.1.311.2.1.21";
constexpr char kOpusInfoOid[] = "1.3.6.1.4.1.311.2.1.12";

// The subject interface packages that hash a member: the PE one for
// images, the flat one for everything else.
constexpr char kPeSubjectGuid[] = "{C689AAB8-8E78-11D0-8C47-00C04FC295EE}";
constexpr char kFlatSubjectGuid[] = "{DE351A42-8E59-11D0-8C47-00C04FC295EE}";
constexpr int kMemberCertVersion = 512;

// Authenticated, name and value in plain text: what the catalog tools
// write for "File" and "OSAttr".
constexpr int64_t kNameValueFlags = 0x10010001;

void appendUtf16Le(uint32_t unit, Bytes* out) {
  out->push_back(static_cast<uint8_t>(unit & 0xFF));
  out->push_back(static_cast<uint8_t>(unit >> 8));
}

// The code point of the UTF-8 sequence at `at` and its length; false
// where no valid sequence starts (overlong forms and surrogates included).
bool decodeUtf8(const std::string& text, size_t at, uint32_t* point, size_t* length) {
  const uint8_t lead = static_cast<uint8_t>(text[at]);
  size_t extra;
  uint32_t value;
  if (lead < 0x80) {
    extra = 0;
    value = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    value = lead & 0x07;
  } else {
    return false;
  }
  if (text.size() - at <= extra) return false;
  for (size_t i = 1; i <= extra; ++i) {
    const uint8_t next = static_cast<uint8_t>(text[at + i]);
    if ((next & 0xC0) != 0x80) return false;
    value = value << 6 | (next & 0x3F);
  }
  static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return false;
  }
  *point = value;
  *length = extra + 1;
  return true;
}

// Windows keeps these strings as it got them from a WCHAR buffer: little
// endian, terminating NUL included. A byte that is not UTF-8 becomes
// U+FFFD rather than a character of some code page.
Bytes utf16LeWithNul(const std::string& text) {
  Bytes out;
  for (size_t at = 0; at < text.size();) {
    uint32_t point;
    size_t length;
    if (!decodeUtf8(text, at, &point, &length)) {
      point = 0xFFFD;
      length = 1;
    }
    at += length;
    if (point >= 0x10000) {
      appendUtf16Le(0xD800 + ((point - 0x10000) >> 10), &out);
      appendUtf16Le(0xDC00 + ((point - 0x10000) & 0x3FF), &out);
    } else {
      appendUtf16Le(point, &out);
    }
  }
  appendUtf16Le(0, &out);
  return out;
}

// Windows finds a member by the uppercase hex of its hash, the tag under
// which the catalog tools file it.
Bytes memberTag(const Bytes& hash) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (uint8_t b : hash) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return utf16LeWithNul(hex);
}

// Attribute ::= SEQUENCE { type, SET OF value }, with the one value.
Bytes attribute(const char* type, const Bytes& value) {
  return der::sequence({der::objectId(type), der::setOf({value})});
}

Bytes nameValue(const char* name, const std::string& value) {
  return der::sequence({der::bmpString(name), der::integer(kNameValueFlags),
                        der::octetString(utf16LeWithNul(value))});
}

Bytes algorithmIdentifier(const char* oid) {
  return der::sequence({der::objectId(oid), der::null()});
}

// SpcLink naming no file, as the signing tools leave it.
Bytes obsoleteFileLink() {
  Bytes unicode = der::bmpString("<<<Obsolete>>>");
  unicode[0] = 0x80;  // SpcString's unicode, [0] IMPLICIT
  return der::explicitTag(2, unicode);
}

Bytes indirectData(const CatalogMember& member, HashAlgorithm algorithm) {
  const Bytes data =
      member.peImage
          ? der::sequence(
                {der::objectId(kPeImageDataOid),
                 der::sequence({der::bitString(Bytes()), der::explicitTag(0, obsoleteFileLink())})})
          : der::sequence({der::objectId(kCabDataOid), obsoleteFileLink()});
  return der::sequence({data, der::sequence({algorithmIdentifier(digestObjectId(algorithm)),
                                             der::octetString(member.hash)})});
}

Bytes trustListEntry(const CatalogMember& member, const CatalogContent& content) {
  std::vector<Bytes> attributes = {
      attribute(kNameValueOid, nameValue("File", member.fileName)),
      attribute(kMemberInfoOid,
                der::sequence({der::bmpString(member.peImage ? kPeSubjectGuid : kFlatSubjectGuid),
                               der::integer(kMemberCertVersion)})),
      attribute(kIndirectDataOid, indirectData(member, content.algorithm)),
  };
  if (!content.osAttribute.empty()) {
    attributes.push_back(attribute(kNameValueOid, nameValue("OSAttr", content.osAttribute)));
  }
  return der::sequence({der::octetString(memberTag(member.hash)), der::setOf(attributes)});
}

}  // namespace

Bytes encodeTrustList(const CatalogContent& content) {
  std::vector<Bytes> entries;
  for (const CatalogMember& member : content.members)
    entries.push_back(trustListEntry(member, content));
  std::vector<Bytes> fields = {
      der::sequence({der::objectId(kCatalogListOid)}),
      der::octetString(content.listIdentifier),
      der::time(content.thisUpdate),
      algorithmIdentifier(kCatalogListMemberOid),
      der::sequenceOf(entries),
  };
  if (!content.osAttribute.empty()) {
    // Catalog attributes travel as extensions (no critical flag) whose
    // value is the encoded name-value pair.
    const Bytes extension = der::sequence(
        {der::objectId(kNameValueOid), der::octetString(nameValue("OSAttr", content.osAttribute))});
    fields.push_back(der::explicitTag(0, der::sequence({extension})));
  }
  return der::sequenceOf(fields);
}

bool signCatalog(const Bytes& trustList, const Bytes& certificate, HashAlgorithm algorithm,
                 const AttributeSigner& sign, Bytes* catalog) {
  der::Reader reader(trustList);
  der::Element list;
  if (!reader.expect(der::Sequence, &list) || !reader.atEnd()) return false;
  Certificate signer;
  if (!parseCertificate(certificate, &signer) || signer.publicKey.modulus.empty()) return false;

  // The message digest covers the trust list's contents without its own
  // tag and length: the rule for content that is not plain data.
  const Bytes attributes = der::setOf({
      attribute(kContentTypeOid, der::objectId(kTrustListOid)),
      attribute(kMessageDigestOid,
                der::octetString(digestOf(algorithm, list.contents, list.length))),
      attribute(kStatementTypeOid, der::sequence({der::objectId(kIndividualCodeSigningOid)})),
      attribute(kOpusInfoOid, der::encode(der::Sequence, Bytes())),
  });
  Bytes signature;
  if (!sign(attributes, &signature)) return false;
  // A signature by another key, or cut short, would make a catalog that
  // no Windows accepts: better no catalog.
  if (signature.size() != signer.publicKey.modulus.size() ||
      !rsaVerify(signer.publicKey, algorithm, digestOf(algorithm, attributes), signature)) {
    return false;
  }

  const Bytes digestAlgorithm = algorithmIdentifier(digestObjectId(algorithm));
  const Bytes signerInfo = der::sequence({
      der::integer(1),
      der::sequence({signer.issuer, signer.serialNumberEncoding}),
      digestAlgorithm,
      der::implicitConstructed(0, attributes),
      algorithmIdentifier(kRsaEncryptionOid),
      der::octetString(signature),
  });
  const Bytes signedData = der::sequence({
      der::integer(1),
      der::setOf({digestAlgorithm}),
      der::sequence({der::objectId(kTrustListOid), der::explicitTag(0, trustList)}),
      der::implicitConstructed(0, der::setOf({certificate})),
      der::setOf({signerInfo}),
  });
  *catalog = der::sequence({der::objectId(kSignedDataOid), der::explicitTag(0, signedData)});
  return true;
}

}  // namespace lw
