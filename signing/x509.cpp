#include "signing/x509.h"

#include <string>

#include "signing/der.h"

namespace lw {

namespace {

const char kRsaEncryption[] = "1.2.840.113549.1.1.1";
const char kSha1WithRsa[] = "1.2.840.113549.1.1.5";
const char kSha256WithRsa[] = "1.2.840.113549.1.1.11";
const char kExtendedKeyUsage[] = "2.5.29.37";
const char kCodeSigning[] = "1.3.6.1.5.5.7.3.3";

// The algorithm's object identifier from an AlgorithmIdentifier.
std::string algorithmOf(const der::Element& identifier) {
  der::Reader reader(identifier);
  der::Element oid;
  if (identifier.tag != der::Sequence || !reader.expect(der::ObjectId, &oid)) return std::string();
  return der::objectIdText(oid);
}

// A BIT STRING's bytes, which must fill whole bytes.
bool bitStringBytes(const der::Element& bits, Bytes* out) {
  if (bits.tag != der::BitString || bits.length == 0 || bits.contents[0] != 0) return false;
  *out = Bytes(bits.contents + 1, bits.contents + bits.length);
  return true;
}

bool readRsaKey(const der::Element& publicKeyInfo, RsaPublicKey* key) {
  der::Reader reader(publicKeyInfo);
  der::Element algorithm, keyBits;
  if (!reader.expect(der::Sequence, &algorithm) || !reader.expect(der::BitString, &keyBits) ||
      !reader.atEnd()) {
    return false;
  }
  // Another kind of key leaves the RSA key empty.
  if (algorithmOf(algorithm) != kRsaEncryption) return true;
  Bytes encodedKey;
  if (!bitStringBytes(keyBits, &encodedKey)) return false;
  der::Reader outer(encodedKey);
  der::Element sequence, modulus, exponent;
  if (!outer.expect(der::Sequence, &sequence) || !outer.atEnd()) return false;
  der::Reader inner(sequence);
  if (!inner.expect(der::Integer, &modulus) || !inner.expect(der::Integer, &exponent) ||
      !inner.atEnd()) {
    return false;
  }
  key->modulus = der::integerMagnitude(modulus);
  key->exponent = der::integerMagnitude(exponent);
  return !key->modulus.empty() && !key->exponent.empty();
}

bool readExtensions(const der::Element& explicitExtensions, Certificate* out) {
  der::Reader outer(explicitExtensions);
  der::Element extensions;
  if (!outer.expect(der::Sequence, &extensions) || !outer.atEnd()) return false;
  der::Reader reader(extensions);
  der::Element extension;
  while (reader.expect(der::Sequence, &extension)) {
    der::Reader fields(extension);
    der::Element id, critical, value;
    if (!fields.expect(der::ObjectId, &id)) return false;
    fields.expect(der::Boolean, &critical);  // optional
    if (!fields.expect(der::OctetString, &value) || !fields.atEnd()) return false;
    if (der::objectIdText(id) != kExtendedKeyUsage) continue;
    der::Reader valueReader(value);
    der::Element usages, usage;
    if (!valueReader.expect(der::Sequence, &usages) || !valueReader.atEnd()) return false;
    out->hasExtendedKeyUsage = true;
    der::Reader usageReader(usages);
    while (usageReader.expect(der::ObjectId, &usage)) {
      if (der::objectIdText(usage) == kCodeSigning) out->codeSigningUsage = true;
    }
    if (!usageReader.ok() || !usageReader.atEnd()) return false;
  }
  return reader.ok() && reader.atEnd();
}

bool readToBeSigned(const der::Element& tbs, Certificate* out, Bytes* algorithm) {
  der::Reader reader(tbs);
  der::Element version, serial, signatureAlgorithm, issuer, validity, subject, publicKeyInfo;
  reader.expect(0xA0, &version);  // optional
  if (!reader.expect(der::Integer, &serial) || serial.length == 0 ||
      !reader.expect(der::Sequence, &signatureAlgorithm) ||
      !reader.expect(der::Sequence, &issuer) || !reader.expect(der::Sequence, &validity) ||
      !reader.expect(der::Sequence, &subject) || !reader.expect(der::Sequence, &publicKeyInfo)) {
    return false;
  }
  // The serial number as written, less a sign byte (some issuers write
  // negative ones).
  const uint8_t* serialBegin = serial.contents;
  const uint8_t* serialEnd = serial.contents + serial.length;
  while (serialEnd - serialBegin > 1 && *serialBegin == 0) ++serialBegin;
  out->serialNumber = Bytes(serialBegin, serialEnd);
  out->serialNumberEncoding = serial.encoding();
  out->issuer = issuer.encoding();
  out->subject = subject.encoding();
  *algorithm = signatureAlgorithm.encoding();

  der::Reader times(validity);
  der::Element notBefore, notAfter;
  if (!times.next(&notBefore) || !times.next(&notAfter) || !times.atEnd() ||
      !der::readTime(notBefore, &out->notBefore) || !der::readTime(notAfter, &out->notAfter)) {
    return false;
  }
  if (!readRsaKey(publicKeyInfo, &out->publicKey)) return false;

  der::Element uniqueId, extensions;
  reader.expect(0x81, &uniqueId);  // issuerUniqueID, optional
  reader.expect(0x82, &uniqueId);  // subjectUniqueID, optional
  if (reader.expect(0xA3, &extensions) && !readExtensions(extensions, out)) return false;
  return reader.ok() && reader.atEnd();
}

}  // namespace

bool parseCertificate(const Bytes& der, Certificate* out) {
  *out = Certificate();
  der::Reader whole(der);
  der::Element certificate, tbs, signatureAlgorithm, signature;
  if (!whole.expect(der::Sequence, &certificate) || !whole.atEnd()) return false;
  der::Reader reader(certificate);
  if (!reader.expect(der::Sequence, &tbs) || !reader.expect(der::Sequence, &signatureAlgorithm) ||
      !reader.expect(der::BitString, &signature) || !reader.atEnd()) {
    return false;
  }
  Bytes innerAlgorithm;
  if (!readToBeSigned(tbs, out, &innerAlgorithm)) return false;
  // RFC 5280 has both name the same algorithm.
  if (innerAlgorithm != signatureAlgorithm.encoding()) return false;
  if (!bitStringBytes(signature, &out->signature)) return false;
  const std::string algorithm = algorithmOf(signatureAlgorithm);
  if (algorithm == kSha1WithRsa || algorithm == kSha256WithRsa) {
    out->signatureHash = algorithm == kSha1WithRsa ? HashAlgorithm::Sha1 : HashAlgorithm::Sha256;
    out->signatureHashKnown = true;
  }
  out->encoding = der;
  out->toBeSigned = tbs.encoding();
  return true;
}

bool isSelfSignedBy(const Certificate& certificate) {
  if (certificate.issuer != certificate.subject || !certificate.signatureHashKnown ||
      certificate.publicKey.modulus.empty()) {
    return false;
  }
  return rsaVerify(certificate.publicKey, certificate.signatureHash,
                   digestOf(certificate.signatureHash, certificate.toBeSigned),
                   certificate.signature);
}

Bytes thumbprint(const Certificate& certificate) {
  return digestOf(HashAlgorithm::Sha1, certificate.encoding);
}

}  // namespace lw
