#include "signing/catalog_verify.h"

#include <algorithm>

#include "signing/der.h"
#include "signing/rsa.h"
#include "signing/x509.h"

namespace lw {

namespace {

constexpr char kSignedDataOid[] = "1.2.840.113549.1.7.2";
constexpr char kMessageDigestOid[] = "1.2.840.113549.1.9.4";
constexpr char kTrustListOid[] = "1.3.6.1.4.1.311.10.1";
constexpr char kNameValueOid[] = "1.3.6.1.4.1.311.12.2.1";
constexpr char kIndirectDataOid[] = "1.3.6.1.4.1.311.2.1.4";
constexpr char kPeImageDataOid[] = "1.3.6.1.4.1.311.2.1.15";
constexpr char kCabDataOid[] = "1.3.6.1.4.1.311.2.1.25";
constexpr uint8_t kContextZero = 0xA0;  // [0], constructed

// The parts of the signed envelope that the checks need, pointing into
// the catalog's bytes.
struct SignedCatalog {
  HashAlgorithm signatureHash = HashAlgorithm::Sha1;
  der::Element trustList;    // the SEQUENCE that was signed
  der::Element certificate;  // the one certificate carried
  der::Element signerId;     // issuerAndSerialNumber
  der::Element attributes;   // [0] IMPLICIT SET OF Attribute
  der::Element signature;    // OCTET STRING
};

bool oidIs(const der::Element& element, const char* dotted) {
  return element.tag == der::ObjectId && der::objectIdText(element) == dotted;
}

// The single element inside `outer`, which must carry `tag`.
bool onlyElement(const der::Element& outer, uint8_t tag, der::Element* out) {
  der::Reader reader(outer);
  return reader.expect(tag, out) && reader.atEnd();
}

// AlgorithmIdentifier of a digest this code knows, parameters NULL or
// absent.
bool readDigestAlgorithm(der::Reader* reader, HashAlgorithm* out) {
  der::Element identifier, oid, parameters;
  if (!reader->expect(der::Sequence, &identifier)) return false;
  der::Reader fields(identifier);
  if (!fields.expect(der::ObjectId, &oid)) return false;
  if (fields.expect(der::Null, &parameters) && parameters.length != 0) return false;
  if (!fields.atEnd()) return false;
  for (HashAlgorithm algorithm : {HashAlgorithm::Sha1, HashAlgorithm::Sha256}) {
    if (oidIs(oid, digestObjectId(algorithm))) {
      *out = algorithm;
      return true;
    }
  }
  return false;
}

bool readSignedCatalog(const Bytes& catalog, SignedCatalog* out) {
  der::Reader whole(catalog);
  der::Element contentInfo, type, wrapped, signedData;
  if (!whole.expect(der::Sequence, &contentInfo) || !whole.atEnd()) return false;
  der::Reader info(contentInfo);
  if (!info.expect(der::ObjectId, &type) || !oidIs(type, kSignedDataOid) ||
      !info.expect(kContextZero, &wrapped) || !info.atEnd() ||
      !onlyElement(wrapped, der::Sequence, &signedData)) {
    return false;
  }

  der::Reader fields(signedData);
  der::Element version, digestAlgorithms, content, certificates, signerInfos;
  if (!fields.expect(der::Integer, &version) || !fields.expect(der::Set, &digestAlgorithms) ||
      !fields.expect(der::Sequence, &content) || !fields.expect(kContextZero, &certificates) ||
      !fields.expect(der::Set, &signerInfos) || !fields.atEnd()) {
    return false;
  }
  HashAlgorithm listed;
  der::Reader algorithms(digestAlgorithms);
  if (!readDigestAlgorithm(&algorithms, &listed) || !algorithms.atEnd()) return false;

  der::Reader contentFields(content);
  der::Element contentType, explicitContent;
  if (!contentFields.expect(der::ObjectId, &contentType) || !oidIs(contentType, kTrustListOid) ||
      !contentFields.expect(kContextZero, &explicitContent) || !contentFields.atEnd() ||
      !onlyElement(explicitContent, der::Sequence, &out->trustList) ||
      !onlyElement(certificates, der::Sequence, &out->certificate)) {
    return false;
  }

  der::Element signerInfo, signerVersion, signatureAlgorithm;
  if (!onlyElement(signerInfos, der::Sequence, &signerInfo)) return false;
  der::Reader signer(signerInfo);
  return signer.expect(der::Integer, &signerVersion) &&
         signer.expect(der::Sequence, &out->signerId) &&
         readDigestAlgorithm(&signer, &out->signatureHash) && out->signatureHash == listed &&
         signer.expect(kContextZero, &out->attributes) &&
         signer.expect(der::Sequence, &signatureAlgorithm) &&
         signer.expect(der::OctetString, &out->signature) && signer.atEnd();
}

// Attribute ::= SEQUENCE { type, SET OF value } with exactly one value.
bool readAttribute(const der::Element& attribute, der::Element* type, der::Element* value) {
  der::Reader fields(attribute);
  der::Element values;
  if (attribute.tag != der::Sequence || !fields.expect(der::ObjectId, type) ||
      !fields.expect(der::Set, &values) || !fields.atEnd()) {
    return false;
  }
  der::Reader reader(values);
  return reader.next(value) && reader.atEnd();
}

bool readMessageDigest(const der::Element& attributes, Bytes* out) {
  der::Reader reader(attributes);
  der::Element attribute, type, value;
  int found = 0;
  while (reader.next(&attribute)) {
    if (!readAttribute(attribute, &type, &value)) return false;
    if (!oidIs(type, kMessageDigestOid)) continue;
    if (++found > 1 || value.tag != der::OctetString) return false;
    *out = value.contentBytes();
  }
  return reader.ok() && found == 1;
}

void appendUtf8(uint32_t point, std::string* out) {
  if (point < 0x80) {
    *out += static_cast<char>(point);
    return;
  }
  const int extra = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
  static const uint8_t kLeads[] = {0, 0xC0, 0xE0, 0xF0};
  *out += static_cast<char>(kLeads[extra] | (point >> (6 * extra)));
  for (int i = extra - 1; i >= 0; --i)
    *out += static_cast<char>(0x80 | ((point >> (6 * i)) & 0x3F));
}

// The text of a UTF-16LE string that ends in its one NUL, as UTF-8.
bool readUtf16Le(const der::Element& octets, std::string* out) {
  if (octets.length < 2 || octets.length % 2 != 0) return false;
  const size_t units = octets.length / 2 - 1;
  auto unit = [&](size_t i) -> uint32_t {
    return static_cast<uint32_t>(octets.contents[2 * i] | octets.contents[2 * i + 1] << 8);
  };
  if (unit(units) != 0) return false;
  std::string text;
  for (size_t i = 0; i < units; ++i) {
    uint32_t point = unit(i);
    if (point == 0 || (point >= 0xDC00 && point <= 0xDFFF)) return false;
    if (point >= 0xD800 && point <= 0xDBFF) {
      if (i + 1 == units || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF) return false;
      point = 0x10000 + ((point - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    appendUtf8(point, &text);
  }
  *out = text;
  return true;
}

// A name-value pair: its name as encoded (a BMPString) and its text.
bool readNameValue(const der::Element& pair, Bytes* name, std::string* text) {
  der::Reader fields(pair);
  der::Element tag, flags, value;
  if (pair.tag != der::Sequence || !fields.expect(der::BmpString, &tag) ||
      !fields.expect(der::Integer, &flags) || !fields.expect(der::OctetString, &value) ||
      !fields.atEnd()) {
    return false;
  }
  *name = tag.encoding();
  return readUtf16Le(value, text);
}

bool readIndirectData(const der::Element& content, CatalogMember* member,
                      HashAlgorithm* algorithm) {
  der::Reader fields(content);
  der::Element data, digestInfo, type, hash;
  if (content.tag != der::Sequence || !fields.expect(der::Sequence, &data) ||
      !fields.expect(der::Sequence, &digestInfo) || !fields.atEnd()) {
    return false;
  }
  der::Reader dataFields(data);
  if (!dataFields.expect(der::ObjectId, &type)) return false;
  if (oidIs(type, kPeImageDataOid)) {
    member->peImage = true;
  } else if (oidIs(type, kCabDataOid)) {
    member->peImage = false;
  } else {
    return false;
  }
  der::Reader digestFields(digestInfo);
  if (!readDigestAlgorithm(&digestFields, algorithm) ||
      !digestFields.expect(der::OctetString, &hash) || !digestFields.atEnd() ||
      hash.length != digestSize(*algorithm)) {
    return false;
  }
  member->hash = hash.contentBytes();
  return true;
}

bool readEntry(const der::Element& entry, CatalogMember* member, HashAlgorithm* algorithm) {
  der::Reader fields(entry);
  der::Element tag, attributes;
  if (entry.tag != der::Sequence || !fields.expect(der::OctetString, &tag) ||
      !fields.expect(der::Set, &attributes) || !fields.atEnd()) {
    return false;
  }
  bool named = false;
  bool hashed = false;
  der::Reader reader(attributes);
  der::Element attribute, type, value;
  while (reader.next(&attribute)) {
    if (!readAttribute(attribute, &type, &value)) return false;
    if (oidIs(type, kNameValueOid)) {
      Bytes name;
      std::string text;
      if (!readNameValue(value, &name, &text)) return false;
      if (name == der::bmpString("File")) {
        if (named) return false;
        named = true;
        member->fileName = text;
      }
    } else if (oidIs(type, kIndirectDataOid)) {
      if (hashed || !readIndirectData(value, member, algorithm)) return false;
      hashed = true;
    }
  }
  return reader.ok() && named && hashed;
}

// The catalog-wide OS attribute among the extensions, if any.
bool readExtensions(const der::Element& extensions, std::string* osAttribute) {
  der::Element list, extension, oid, value;
  if (!onlyElement(extensions, der::Sequence, &list)) return false;
  der::Reader reader(list);
  while (reader.next(&extension)) {
    der::Reader fields(extension);
    if (extension.tag != der::Sequence || !fields.expect(der::ObjectId, &oid) ||
        !fields.expect(der::OctetString, &value) || !fields.atEnd()) {
      return false;
    }
    if (!oidIs(oid, kNameValueOid)) continue;
    der::Element pair;
    Bytes name;
    std::string text;
    if (!onlyElement(value, der::Sequence, &pair) || !readNameValue(pair, &name, &text))
      return false;
    if (name == der::bmpString("OSAttr")) *osAttribute = text;
  }
  return reader.ok();
}

// Reads the fields back, then requires that writing them again gives the
// very same bytes: whatever the reader passed over (member tags, member
// information, the OS attribute of each member, field order) is held to
// the one form this code writes. `algorithm` stands where no member says.
bool readTrustList(const der::Element& list, HashAlgorithm algorithm, CatalogContent* out) {
  der::Reader fields(list);
  der::Element usage, identifier, thisUpdate, subjectAlgorithm, entries, extensions;
  CatalogContent content;
  content.algorithm = algorithm;
  if (!fields.expect(der::Sequence, &usage) || !fields.expect(der::OctetString, &identifier) ||
      !fields.next(&thisUpdate) || !der::readTime(thisUpdate, &content.thisUpdate) ||
      !fields.expect(der::Sequence, &subjectAlgorithm) || !fields.expect(der::Sequence, &entries)) {
    return false;
  }
  if (fields.expect(kContextZero, &extensions) &&
      !readExtensions(extensions, &content.osAttribute)) {
    return false;
  }
  if (!fields.atEnd()) return false;
  content.listIdentifier = identifier.contentBytes();

  der::Reader reader(entries);
  der::Element entry;
  while (reader.next(&entry)) {
    CatalogMember member;
    if (!readEntry(entry, &member, &content.algorithm)) return false;
    content.members.push_back(member);
  }
  if (!reader.ok() || encodeTrustList(content) != list.encoding()) return false;
  *out = content;
  return true;
}

bool readCatalog(const Bytes& catalog, SignedCatalog* envelope, CatalogContent* content) {
  return readSignedCatalog(catalog, envelope) &&
         readTrustList(envelope->trustList, envelope->signatureHash, content);
}

bool sameFiles(const std::vector<CatalogMember>& listed, std::vector<CatalogMember> files) {
  if (listed.size() != files.size()) return false;
  for (const CatalogMember& member : listed) {
    const auto match = std::find_if(files.begin(), files.end(), [&](const CatalogMember& file) {
      return file.fileName == member.fileName && file.hash == member.hash &&
             file.peImage == member.peImage;
    });
    if (match == files.end()) return false;
    files.erase(match);
  }
  return true;
}

}  // namespace

CatalogCheck verifyCatalog(const Bytes& catalog, const Bytes& trustedRoot,
                           const std::vector<CatalogMember>& files, const UtcTime& now) {
  SignedCatalog envelope;
  CatalogContent content;
  if (!readCatalog(catalog, &envelope, &content)) return CatalogCheck::Malformed;

  const Bytes certificate = envelope.certificate.encoding();
  if (certificate != trustedRoot) return CatalogCheck::UntrustedSigner;
  Certificate signer;
  if (!parseCertificate(certificate, &signer)) return CatalogCheck::Malformed;
  // The SignerInfo must name the certificate carried, not another key.
  if (envelope.signerId.encoding() != der::sequence({signer.issuer, signer.serialNumberEncoding})) {
    return CatalogCheck::UntrustedSigner;
  }
  if (!isSelfSignedBy(signer)) return CatalogCheck::BadSignature;
  if (now < signer.notBefore || signer.notAfter < now) return CatalogCheck::NotValidNow;
  if (!signer.hasExtendedKeyUsage || !signer.codeSigningUsage) {
    return CatalogCheck::NotForCodeSigning;
  }

  const HashAlgorithm hash = envelope.signatureHash;
  Bytes messageDigest;
  if (!readMessageDigest(envelope.attributes, &messageDigest)) return CatalogCheck::Malformed;
  if (messageDigest != digestOf(hash, envelope.trustList.contents, envelope.trustList.length)) {
    return CatalogCheck::ContentChanged;
  }
  // What was signed is the attributes' DER as a SET, not as the [0] they
  // are stored under.
  Bytes signedAttributes = envelope.attributes.encoding();
  signedAttributes[0] = der::Set;
  const Bytes signature = envelope.signature.contentBytes();
  if (!rsaVerify(signer.publicKey, hash, digestOf(hash, signedAttributes), signature)) {
    return CatalogCheck::BadSignature;
  }

  // Whatever else the envelope holds (another attribute, other versions
  // or algorithm parameters) must be exactly what signCatalog writes.
  Bytes rewritten;
  const auto storedSignature = [&](const Bytes&, Bytes* out) {
    *out = signature;
    return true;
  };
  if (!signCatalog(envelope.trustList.encoding(), certificate, hash, storedSignature, &rewritten) ||
      rewritten != catalog) {
    return CatalogCheck::Malformed;
  }
  return sameFiles(content.members, files) ? CatalogCheck::Ok : CatalogCheck::MemberMismatch;
}

bool readCatalogMembers(const Bytes& catalog, HashAlgorithm* algorithm,
                        std::vector<CatalogMember>* members) {
  SignedCatalog envelope;
  CatalogContent content;
  if (!readCatalog(catalog, &envelope, &content)) return false;
  *algorithm = content.algorithm;
  *members = content.members;
  return true;
}

}  // namespace lw
