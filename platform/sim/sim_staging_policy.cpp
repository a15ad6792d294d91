// The staging check of 64-bit Windows 8 and later, read from Microsoft's
// documentation: the INF's [Version] names a catalog beside it; the catalog
// is a PKCS #7 SignedData (RFC 2315) over a certificate trust list, signed
// by a certificate that chains to the machine's Root store and that is
// itself in TrustedPublisher; and the trust list holds the hash of the INF
// and of every file the INF takes from the package. The catalog is read
// here from its published structure, not through the program's own
// catalog code, so that a fault there cannot hide itself.
#include "platform/sim/sim_staging_policy.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/platform.h"
#include "signing/der.h"
#include "signing/digest.h"
#include "signing/pe_image_hash.h"
#include "signing/rsa.h"
#include "signing/x509.h"

namespace lw {

namespace {

// Winerror.h and setupapi.h numbers; the SetupAPI ones are the 0xE0000xxx
// form of the SPAPI_E_* values listed at
// https://learn.microsoft.com/en-us/windows/win32/com/com-error-codes-4
enum : uint32_t {
  kErrorNoCatalogForOemInf = 0xE000022F,               // ERROR_NO_CATALOG_FOR_OEM_INF
  kErrorAuthenticodePublisherNotTrusted = 0xE0000243,  // ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED
  kErrorFileHashNotInCatalog = 0xE000024B,             // ERROR_FILE_HASH_NOT_IN_CATALOG
  kTrustENoSignature = 0x800B0100,                     // TRUST_E_NOSIGNATURE
  kCertEExpired = 0x800B0101,                          // CERT_E_EXPIRED
  kCertEUntrustedRoot = 0x800B0109,                    // CERT_E_UNTRUSTEDROOT
  kCertEChaining = 0x800B010A,                         // CERT_E_CHAINING
  kCertEWrongUsage = 0x800B0110,                       // CERT_E_WRONG_USAGE
  kTrustENoSignerCert = 0x80096002,                    // TRUST_E_NO_SIGNER_CERT
  kTrustECertSignature = 0x80096004,                   // TRUST_E_CERT_SIGNATURE
  kTrustEBadDigest = 0x80096010,                       // TRUST_E_BAD_DIGEST
};

constexpr char kOidSignedData[] = "1.2.840.113549.1.7.2";
constexpr char kOidCertificateTrustList[] = "1.3.6.1.4.1.311.10.1";  // szOID_CTL
constexpr char kOidIndirectData[] = "1.3.6.1.4.1.311.2.1.4";         // SPC_INDIRECT_DATA_OBJID
constexpr char kOidContentType[] = "1.2.840.113549.1.9.3";
constexpr char kOidMessageDigest[] = "1.2.840.113549.1.9.4";

constexpr uint8_t kContext0 = 0xA0;  // [0], constructed
constexpr uint8_t kContext1 = 0xA1;  // [1], constructed

// Further than any real chain; a loop of cross-issued certificates ends here.
constexpr int kMaxChainLength = 8;

// --- files and INF text ----------------------------------------------------

bool readHostFile(const std::string& path, Bytes* out) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// Setup reads INFs as ANSI or, after a byte-order mark, UTF-16LE; the names
// that matter here are ASCII either way.
std::string infText(const Bytes& raw) {
  if (raw.size() >= 2 && raw[0] == 0xFF && raw[1] == 0xFE) {
    std::string text;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
      const unsigned unit = raw[i] | raw[i + 1] << 8;
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
  }
  const size_t skip = raw.size() >= 3 && raw[0] == 0xEF && raw[1] == 0xBB && raw[2] == 0xBF ? 3 : 0;
  return std::string(raw.begin() + skip, raw.end());
}

// A line's comma-separated fields, quotes removed; a ';' outside quotes
// starts a comment.
std::vector<std::string> splitFields(const std::string& text) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ';') {
      break;
    } else if (!quoted && c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  for (std::string& field : fields) field = trim(field);
  return fields;
}

struct InfEntry {
  std::string key;  // as written; empty for a line without '='
  std::vector<std::string> fields;
};

// Sections by lower-case name; a name given twice adds to the same section.
using InfSections = std::map<std::string, std::vector<InfEntry>>;

InfSections parseInf(const std::string& text) {
  InfSections sections;
  std::vector<InfEntry>* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = trim(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line = trim(line.substr(0, line.size() - 1));
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      current =
          close == std::string::npos ? nullptr : &sections[lower(trim(line.substr(1, close - 1)))];
      continue;
    }
    if (!current) continue;
    InfEntry entry;
    const size_t equals = line.find('=');
    if (equals != std::string::npos && line.find(';') > equals) {
      entry.key = splitFields(line.substr(0, equals))[0];
      entry.fields = splitFields(line.substr(equals + 1));
    } else {
      entry.fields = splitFields(line);
    }
    current->push_back(entry);
  }
  return sections;
}

const std::vector<InfEntry>* section(const InfSections& sections, const char* name) {
  auto found = sections.find(name);
  return found == sections.end() ? nullptr : &found->second;
}

std::string valueOf(const InfSections& sections, const char* sectionName, const char* key) {
  const std::vector<InfEntry>* entries = section(sections, sectionName);
  if (!entries) return "";
  for (const InfEntry& entry : *entries) {
    if (lower(entry.key) == key) return entry.fields[0];
  }
  return "";
}

// On x64 a decorated .ntamd64 entry comes first, then .nt, then the
// undecorated one:
// https://learn.microsoft.com/en-us/windows-hardware/drivers/install/inf-file-platform-extensions-and-x64-based-systems
// which the CatalogFile entries follow:
// https://learn.microsoft.com/en-us/windows-hardware/drivers/install/inf-version-section
std::string catalogFileName(const InfSections& inf) {
  for (const char* key : {"catalogfile.ntamd64", "catalogfile.nt", "catalogfile"}) {
    std::string name = valueOf(inf, "version", key);
    if (!name.empty()) return name;
  }
  return "";
}

// A package-relative path from INF path pieces: backslashes are folder
// separators, and a leading one means the package's root. Empty when a
// piece climbs out of the package.
std::string packageRelative(const std::vector<std::string>& pieces) {
  std::string relative;
  for (const std::string& piece : pieces) {
    std::string part = piece;
    std::replace(part.begin(), part.end(), '\\', '/');
    size_t at = 0;
    while (at <= part.size()) {
      size_t slash = part.find('/', at);
      if (slash == std::string::npos) slash = part.size();
      const std::string name = part.substr(at, slash - at);
      at = slash + 1;
      if (name.empty() || name == ".") continue;
      if (name == "..") return "";
      relative += (relative.empty() ? "" : "/") + name;
    }
  }
  return relative;
}

// The files the INF takes from its package, as package-relative paths. On
// x64 an entry of [SourceDisksFiles.amd64] comes before one of
// [SourceDisksFiles], and no other decoration applies:
// https://learn.microsoft.com/en-us/windows-hardware/drivers/install/inf-sourcedisksfiles-section
// An entry's path is its disk's path from [SourceDisksNames], then its
// subdir, then its name. An entry whose path leaves the package folder
// stands for a file the package lacks (the empty path).
std::vector<std::string> sourceFiles(const InfSections& inf) {
  std::map<std::string, const InfEntry*> byName;  // lower-case name: the entry that applies
  for (const char* name : {"sourcedisksfiles", "sourcedisksfiles.amd64"}) {
    if (const std::vector<InfEntry>* entries = section(inf, name)) {
      for (const InfEntry& entry : *entries) {
        if (!entry.key.empty()) byName[lower(entry.key)] = &entry;
      }
    }
  }
  auto diskPath = [&inf](const std::string& disk) {
    for (const char* name : {"sourcedisksnames.amd64", "sourcedisksnames"}) {
      if (const std::vector<InfEntry>* entries = section(inf, name)) {
        for (const InfEntry& entry : *entries) {
          if (entry.key == disk) return entry.fields.size() > 3 ? entry.fields[3] : std::string();
        }
      }
    }
    return std::string();
  };
  std::vector<std::string> files;
  for (const auto& named : byName) {
    const InfEntry& entry = *named.second;
    const std::string subdir = entry.fields.size() > 1 ? entry.fields[1] : "";
    files.push_back(packageRelative({diskPath(entry.fields[0]), subdir, entry.key}));
  }
  return files;
}

// The simulated Windows keeps its file names in lower case.
bool readPackageFile(const std::string& folder, const std::string& relative, Bytes* out) {
  if (relative.empty()) return false;
  return readHostFile(folder + "/" + relative, out) ||
         readHostFile(folder + "/" + lower(relative), out);
}

// --- the catalog -------------------------------------------------------------

struct MemberHash {
  HashAlgorithm algorithm;
  Bytes digest;
};

struct SignedCatalog {
  Bytes content;  // the trust list's contents octets, which the message digest covers
  std::vector<MemberHash> members;
  std::vector<Certificate> certificates;
  Bytes signerIssuer;  // Name, as encoded
  Bytes signerSerial;  // magnitude
  HashAlgorithm digestAlgorithm = HashAlgorithm::Sha1;
  bool hasAttributes = false;
  Bytes attributes;  // re-tagged as the SET OF that is signed (RFC 2315, 9.3)
  std::vector<Bytes> contentTypes;
  std::vector<Bytes> messageDigests;
  Bytes signature;
};

bool hashAlgorithmOf(const der::Element& algorithmIdentifier, HashAlgorithm* out) {
  der::Reader reader(algorithmIdentifier);
  der::Element oid;
  if (!reader.expect(der::ObjectId, &oid)) return false;
  const std::string text = der::objectIdText(oid);
  for (HashAlgorithm algorithm : {HashAlgorithm::Sha1, HashAlgorithm::Sha256}) {
    if (text == digestObjectId(algorithm)) {
      *out = algorithm;
      return true;
    }
  }
  return false;
}

// One trust list entry: SEQUENCE { subjectIdentifier OCTET STRING,
// subjectAttributes SET OF Attribute }. Its file hash is the DigestInfo that
// ends an SPC_INDIRECT_DATA attribute's SpcIndirectDataContent. A member
// with a digest this code does not know is left out: nothing can match it.
bool readMember(const der::Element& member, std::vector<MemberHash>* out) {
  der::Reader reader(member);
  der::Element identifier, attributes;
  if (!reader.expect(der::OctetString, &identifier)) return false;
  if (reader.atEnd()) return true;
  if (!reader.expect(der::Set, &attributes) || !reader.atEnd()) return false;
  der::Reader each(attributes);
  der::Element attribute;
  while (each.next(&attribute)) {
    der::Reader parts(attribute);
    der::Element type, values;
    if (attribute.tag != der::Sequence || !parts.expect(der::ObjectId, &type) ||
        !parts.expect(der::Set, &values)) {
      return false;
    }
    if (der::objectIdText(type) != kOidIndirectData) continue;
    der::Reader valueReader(values);
    der::Element indirect;
    while (valueReader.next(&indirect)) {
      der::Reader content(indirect);
      der::Element data, digestInfo, algorithm, digest;
      if (indirect.tag != der::Sequence || !content.expect(der::Sequence, &data) ||
          !content.expect(der::Sequence, &digestInfo)) {
        return false;
      }
      der::Reader info(digestInfo);
      if (!info.expect(der::Sequence, &algorithm) || !info.expect(der::OctetString, &digest)) {
        return false;
      }
      MemberHash hash;
      if (hashAlgorithmOf(algorithm, &hash.algorithm)) {
        hash.digest = digest.contentBytes();
        out->push_back(hash);
      }
    }
    if (!valueReader.ok()) return false;
  }
  return each.ok();
}

bool isTime(const der::Element& element) {
  return element.tag == der::UtcTimeTag || element.tag == der::GeneralizedTime;
}

// CTL ::= SEQUENCE { version INTEGER OPTIONAL, subjectUsage SEQUENCE OF OID,
// listIdentifier OCTET STRING OPTIONAL, sequenceNumber INTEGER OPTIONAL,
// thisUpdate Time, nextUpdate Time OPTIONAL, subjectAlgorithm
// AlgorithmIdentifier, trustedSubjects SEQUENCE OF TrustedSubject OPTIONAL,
// extensions [0] EXPLICIT OPTIONAL }, as crypt32 decodes it.
bool readTrustList(const der::Element& list, std::vector<MemberHash>* members) {
  der::Reader reader(list);
  der::Element e;
  bool more = reader.next(&e);
  if (more && e.tag == der::Integer) more = reader.next(&e);
  if (!more || e.tag != der::Sequence) return false;
  more = reader.next(&e);
  if (more && e.tag == der::OctetString) more = reader.next(&e);
  if (more && e.tag == der::Integer) more = reader.next(&e);
  if (!more || !isTime(e)) return false;
  more = reader.next(&e);
  if (more && isTime(e)) more = reader.next(&e);
  if (!more || e.tag != der::Sequence) return false;
  more = reader.next(&e);
  if (more && e.tag == der::Sequence) {
    der::Reader subjects(e);
    der::Element member;
    while (subjects.next(&member)) {
      if (member.tag != der::Sequence || !readMember(member, members)) return false;
    }
    if (!subjects.ok()) return false;
    more = reader.next(&e);
  }
  if (more && e.tag == kContext0) more = reader.next(&e);
  return !more && reader.ok();
}

bool readSignerInfo(const der::Element& signerInfo, SignedCatalog* out) {
  der::Reader reader(signerInfo);
  der::Element version, issuerAndSerial, digestAlgorithm, e;
  if (!reader.expect(der::Integer, &version) || !reader.expect(der::Sequence, &issuerAndSerial) ||
      !reader.expect(der::Sequence, &digestAlgorithm) ||
      !hashAlgorithmOf(digestAlgorithm, &out->digestAlgorithm) || !reader.next(&e)) {
    return false;
  }
  der::Reader id(issuerAndSerial);
  der::Element issuer, serial;
  if (!id.expect(der::Sequence, &issuer) || !id.expect(der::Integer, &serial) || !id.atEnd()) {
    return false;
  }
  out->signerIssuer = issuer.encoding();
  out->signerSerial = der::integerMagnitude(serial);
  if (e.tag == kContext0) {
    out->hasAttributes = true;
    out->attributes = e.encoding();
    out->attributes[0] = der::Set;
    der::Reader each(e);
    der::Element attribute;
    while (each.next(&attribute)) {
      der::Reader parts(attribute);
      der::Element type, values, value;
      if (attribute.tag != der::Sequence || !parts.expect(der::ObjectId, &type) ||
          !parts.expect(der::Set, &values)) {
        return false;
      }
      const std::string oid = der::objectIdText(type);
      der::Reader valueReader(values);
      while (valueReader.next(&value)) {
        if (oid == kOidContentType && value.tag == der::ObjectId) {
          out->contentTypes.push_back(bytesOf(der::objectIdText(value)));
        } else if (oid == kOidMessageDigest && value.tag == der::OctetString) {
          out->messageDigests.push_back(value.contentBytes());
        }
      }
    }
    if (!each.ok() || !reader.next(&e)) return false;
  }
  der::Element signature;
  if (e.tag != der::Sequence || !reader.expect(der::OctetString, &signature)) return false;
  out->signature = signature.contentBytes();
  if (reader.next(&e) && e.tag != kContext1) return false;
  return reader.atEnd() && reader.ok();
}

// ContentInfo { signedData, [0] SignedData { version, digestAlgorithms,
// ContentInfo { szOID_CTL, [0] CTL }, [0] certificates OPTIONAL, [1] crls
// OPTIONAL, signerInfos } } (RFC 2315, 7 and 9.1) with one signer.
bool readCatalog(const Bytes& file, SignedCatalog* out) {
  der::Reader top(file);
  der::Element contentInfo, type, wrapped, signedData;
  if (!top.expect(der::Sequence, &contentInfo) || !top.atEnd()) return false;
  der::Reader info(contentInfo);
  if (!info.expect(der::ObjectId, &type) || der::objectIdText(type) != kOidSignedData ||
      !info.expect(kContext0, &wrapped) || !info.atEnd()) {
    return false;
  }
  der::Reader unwrap(wrapped);
  if (!unwrap.expect(der::Sequence, &signedData) || !unwrap.atEnd()) return false;

  der::Reader reader(signedData);
  der::Element version, digestAlgorithms, inner, innerType, innerWrapped, list, e;
  if (!reader.expect(der::Integer, &version) || !reader.expect(der::Set, &digestAlgorithms) ||
      !reader.expect(der::Sequence, &inner)) {
    return false;
  }
  der::Reader innerReader(inner);
  if (!innerReader.expect(der::ObjectId, &innerType) ||
      der::objectIdText(innerType) != kOidCertificateTrustList ||
      !innerReader.expect(kContext0, &innerWrapped) || !innerReader.atEnd()) {
    return false;
  }
  der::Reader listReader(innerWrapped);
  if (!listReader.expect(der::Sequence, &list) || !listReader.atEnd() ||
      !readTrustList(list, &out->members)) {
    return false;
  }
  out->content = list.contentBytes();

  if (!reader.next(&e)) return false;
  if (e.tag == kContext0) {
    der::Reader certificates(e);
    der::Element certificate;
    while (certificates.next(&certificate)) {
      Certificate parsed;
      if (parseCertificate(certificate.encoding(), &parsed)) out->certificates.push_back(parsed);
    }
    if (!certificates.ok() || !reader.next(&e)) return false;
  }
  if (e.tag == kContext1 && !reader.next(&e)) return false;
  if (e.tag != der::Set || !reader.atEnd()) return false;
  der::Reader signers(e);
  der::Element signerInfo, another;
  return signers.expect(der::Sequence, &signerInfo) && !signers.next(&another) && signers.ok() &&
         readSignerInfo(signerInfo, out);
}

// RFC 2315, 9.3 and 9.4: with authenticated attributes the message digest
// attribute holds the content's digest and the signature is over the
// attributes; without them it is over the content itself.
uint32_t signatureVerdict(const SignedCatalog& catalog, const Certificate& signer) {
  const Bytes* signedBytes = &catalog.content;
  if (catalog.hasAttributes) {
    const Bytes contentDigest = digestOf(catalog.digestAlgorithm, catalog.content);
    if (catalog.contentTypes.size() != 1 ||
        catalog.contentTypes[0] != bytesOf(kOidCertificateTrustList) ||
        catalog.messageDigests.size() != 1 || catalog.messageDigests[0] != contentDigest) {
      return kTrustEBadDigest;
    }
    signedBytes = &catalog.attributes;
  }
  if (signer.publicKey.modulus.empty() ||
      !rsaVerify(signer.publicKey, catalog.digestAlgorithm,
                 digestOf(catalog.digestAlgorithm, *signedBytes), catalog.signature)) {
    return kTrustEBadDigest;
  }
  return kErrorSuccess;
}

// --- trust -------------------------------------------------------------------

bool issuedBy(const Certificate& certificate, const Certificate& issuer) {
  return certificate.issuer == issuer.subject && certificate.signatureHashKnown &&
         !issuer.publicKey.modulus.empty() &&
         rsaVerify(issuer.publicKey, certificate.signatureHash,
                   digestOf(certificate.signatureHash, certificate.toBeSigned),
                   certificate.signature);
}

bool validAt(const Certificate& certificate, const UtcTime& now) {
  return !(now < certificate.notBefore) && !(certificate.notAfter < now);
}

bool listed(const std::vector<Bytes>& store, const Certificate& certificate) {
  return std::find(store.begin(), store.end(), certificate.encoding) != store.end();
}

// The chain from the signer up to a certificate of the Root store, through
// the certificates the catalog carries.
// A root is trusted only when installed in the machine's Root store:
// https://learn.microsoft.com/en-us/windows-hardware/drivers/install/trusted-root-certification-authorities-certificate-store
// Numbers and their meanings (a bad certificate signature, a chain that ends
// in an untrusted root or cannot be built, outside the validity period, not
// for the usage):
// https://learn.microsoft.com/en-us/windows/win32/com/com-error-codes-4
// https://learn.microsoft.com/en-us/windows/win32/seccrypto/certificate-and-trust-return-values
uint32_t chainVerdict(const Certificate& signer, const std::vector<Certificate>& carried,
                      const TrustedStores& stores, const UtcTime& now) {
  std::vector<Certificate> candidates;
  for (const Bytes& encoding : stores.root) {
    Certificate root;
    if (parseCertificate(encoding, &root)) candidates.push_back(root);
  }
  candidates.insert(candidates.end(), carried.begin(), carried.end());

  std::vector<const Certificate*> chain{&signer};
  for (;;) {
    const Certificate& top = *chain.back();
    const bool selfIssued = top.issuer == top.subject;
    if (listed(stores.root, top)) {
      if (selfIssued && !issuedBy(top, top)) return kTrustECertSignature;
      break;
    }
    if (selfIssued) return issuedBy(top, top) ? kCertEUntrustedRoot : kTrustECertSignature;
    const Certificate* issuer = nullptr;
    bool issuerNamed = false;
    for (const Certificate& candidate : candidates) {
      if (candidate.subject != top.issuer) continue;
      issuerNamed = true;
      if (issuedBy(top, candidate)) {
        issuer = &candidate;
        break;
      }
    }
    if (!issuer) return issuerNamed ? kTrustECertSignature : kCertEChaining;
    if (static_cast<int>(chain.size()) == kMaxChainLength) return kCertEChaining;
    chain.push_back(issuer);
  }
  for (const Certificate* certificate : chain) {
    if (!validAt(*certificate, now)) return kCertEExpired;
  }
  for (const Certificate* certificate : chain) {
    if (certificate->hasExtendedKeyUsage && !certificate->codeSigningUsage) return kCertEWrongUsage;
  }
  return kErrorSuccess;
}

// --- coverage ------------------------------------------------------------------

// A PE file is hashed as its image, anything else flat, as the signing
// tools' subject interface packages do; with the algorithm each member names.
bool listedInCatalog(const Bytes& file, const std::vector<MemberHash>& members) {
  const bool image = isPeImage(file.data(), file.size());
  for (const MemberHash& member : members) {
    Bytes hash;
    if (image) {
      if (!peImageHash(file.data(), file.size(), member.algorithm, &hash)) continue;
    } else {
      hash = digestOf(member.algorithm, file);
    }
    if (hash == member.digest) return true;
  }
  return false;
}

}  // namespace

uint32_t stagingVerdict(const std::string& infHostPath, const TrustedStores& stores,
                        const UtcTime& now) {
  Bytes infBytes;
  if (!readHostFile(infHostPath, &infBytes)) return kErrorFileNotFound;
  const InfSections inf = parseInf(infText(infBytes));
  const size_t slash = infHostPath.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : infHostPath.substr(0, slash);

  // An OEM INF without a CatalogFile entry is unsigned:
  // https://learn.microsoft.com/en-us/windows-hardware/drivers/install/driver-store
  // https://learn.microsoft.com/en-us/windows/win32/api/setupapi/nf-setupapi-setupcopyoeminfa
  const std::string catalogName = catalogFileName(inf);
  if (catalogName.empty()) return kErrorNoCatalogForOemInf;

  // The catalog is expected beside the INF (INF Version section, above).
  // Which number Windows gives when it is not there is not documented;
  // ERROR_FILE_NOT_FOUND stands in for it.
  Bytes catalogBytes;
  if (!readPackageFile(folder, packageRelative({catalogName}), &catalogBytes)) {
    return kErrorFileNotFound;
  }

  // "No signature was present in the subject" covers a catalog without a
  // signer and one that is not a signed trust list at all (com-error-codes-4).
  SignedCatalog catalog;
  if (!readCatalog(catalogBytes, &catalog)) return kTrustENoSignature;
  const Certificate* signer = nullptr;
  for (const Certificate& certificate : catalog.certificates) {
    if (certificate.issuer == catalog.signerIssuer &&
        certificate.serialNumber == catalog.signerSerial) {
      signer = &certificate;
      break;
    }
  }
  // "The certificate for the signer of the message is not valid or not
  // found" (certificate-and-trust-return-values).
  if (!signer) return kTrustENoSignerCert;
  // "The digital signature of the object did not verify" (same page), for
  // a changed trust list and for a signature that fails alike.
  if (const uint32_t verdict = signatureVerdict(catalog, *signer)) return verdict;
  if (const uint32_t verdict = chainVerdict(*signer, catalog.certificates, stores, now)) {
    return verdict;
  }
  // Plug and Play trusts a publisher without asking only when its own
  // certificate is in TrustedPublisher; staging asks no one, so the
  // publisher "was not established as trusted" (com-error-codes-4):
  // https://learn.microsoft.com/en-us/windows-hardware/drivers/install/trusted-publishers-certificate-store
  // https://learn.microsoft.com/en-us/windows-hardware/drivers/install/signature-categories-and-driver-installation
  if (!listed(stores.trustedPublisher, *signer)) return kErrorAuthenticodePublisherNotTrusted;

  // The catalog must hold the hashes of the INF and of every file it
  // references, and those files must be in the package; integrity is
  // checked before presence (driver-store page, above; also
  // https://learn.microsoft.com/en-us/windows-hardware/drivers/install/catalog-files).
  // No number is documented for a missing file; ERROR_FILE_NOT_FOUND
  // stands in for it.
  if (!listedInCatalog(infBytes, catalog.members)) return kErrorFileHashNotInCatalog;
  bool fileMissing = false;
  for (const std::string& relative : sourceFiles(inf)) {
    Bytes file;
    if (!readPackageFile(folder, relative, &file)) {
      fileMissing = true;
    } else if (!listedInCatalog(file, catalog.members)) {
      return kErrorFileHashNotInCatalog;
    }
  }
  return fileMissing ? kErrorFileNotFound : kErrorSuccess;
}

}  // namespace lw
