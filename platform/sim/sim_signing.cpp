// The simulated Windows' randomness, private folders, signing key and
// certificate stores.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/sim/sim_key.h"
#include "platform/sim/sim_platform.h"
#include "signing/der.h"
#include "signing/rsa.h"

namespace lw {

namespace {

constexpr uint32_t kNteBadKeyset = 0x80090016;  // NTE_BAD_KEYSET

Bytes fromHex(const char* hex) {
  Bytes out;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  }
  return out;
}

Bytes algorithm(const char* oid) { return der::sequence({der::objectId(oid), der::null()}); }

// A self-signed code-signing certificate as CertCreateSelfSignCertificate
// makes one: version 3, sha256RSA, the name as subject and issuer, an
// extended key usage of code signing alone.
Bytes selfSignedCertificate(const char* subject, const UtcTime& notBefore, const UtcTime& notAfter,
                            const Bytes& serial) {
  const Bytes name = der::sequence(
      {der::setOf({der::sequence({der::objectId("2.5.4.3"), der::printableString(subject)})})});
  const Bytes publicKey = der::sequence(
      {algorithm("1.2.840.113549.1.1.1"),
       der::bitString(der::sequence({der::unsignedInteger(fromHex(kSimKeyModulus)),
                                     der::unsignedInteger(fromHex(kSimKeyPublicExponent))}))});
  const Bytes usage =
      der::sequence({der::objectId("2.5.29.37"),
                     der::octetString(der::sequence({der::objectId("1.3.6.1.5.5.7.3.3")}))});
  const Bytes signatureAlgorithm = algorithm("1.2.840.113549.1.1.11");
  const Bytes toBeSigned = der::sequence(
      {der::explicitTag(0, der::integer(2)), der::unsignedInteger(serial), signatureAlgorithm, name,
       der::sequence({der::time(notBefore), der::time(notAfter)}), name, publicKey,
       der::explicitTag(3, der::sequence({usage}))});
  const Bytes signature =
      rsaSign(fromHex(kSimKeyModulus), fromHex(kSimKeyPrivateExponent), HashAlgorithm::Sha256,
              digestOf(HashAlgorithm::Sha256, toBeSigned));
  return der::sequence({toBeSigned, signatureAlgorithm, der::bitString(signature)});
}

}  // namespace

bool SimPlatform::randomBytes(void* out, size_t size) {
  if (const uint32_t e = std::exchange(randomError_, 0)) return fail(e);
  // A fixed sequence, so that names and identifiers repeat from run to run.
  auto* bytes = static_cast<uint8_t*>(out);
  for (size_t i = 0; i < size; ++i) {
    randomState_ = randomState_ * 1103515245u + 12345u;
    bytes[i] = static_cast<uint8_t>(randomState_ >> 16);
  }
  return true;
}

bool SimPlatform::createPrivateDirectory(const char* path) {
  if (const uint32_t e = std::exchange(privateDirectoryError_, 0)) return fail(e);
  std::string host = hostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  // mkdir refuses any existing name, a dangling link included.
  if (::mkdir(host.c_str(), 0700) != 0) {
    return fail(errno == EEXIST ? kErrorAlreadyExists : kErrorPathNotFound);
  }
  privateDirectories_.insert(host);
  return true;
}

bool SimPlatform::isPrivateDirectory(const std::string& path) const {
  return privateDirectories_.count(hostPath(path)) > 0;
}

bool SimPlatform::removeDirectory(const char* path) {
  std::string host = hostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  struct stat st;
  const bool link = ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  if ((link ? ::unlink(host.c_str()) : ::rmdir(host.c_str())) != 0) {
    return fail(errno == ENOENT ? kErrorFileNotFound : kErrorDirNotEmpty);
  }
  privateDirectories_.erase(host);
  return true;
}

SignerHandle SimPlatform::createSigner(const char* subject, const UtcTime& notBefore,
                                       const UtcTime& notAfter) {
  if (const uint32_t e = std::exchange(signerError_, 0)) {
    fail(e);
    return nullptr;
  }
  Bytes serial(16);
  randomBytes(serial.data(), serial.size());
  serial[0] &= 0x7F;
  signers_.push_back(new Signer{selfSignedCertificate(subject, notBefore, notAfter, serial), true});
  friendlyNames_[signers_.back()->certificate] = subject;
  ++liveKeys_;
  return signers_.back();
}

bool SimPlatform::signerCertificate(SignerHandle signer, Bytes* der) {
  *der = static_cast<Signer*>(signer)->certificate;
  return true;
}

bool SimPlatform::signWithSigner(SignerHandle signer, HashAlgorithm algorithm, const Bytes& data,
                                 Bytes* signature) {
  if (const uint32_t e = std::exchange(signatureError_, 0)) return fail(e);
  if (!static_cast<Signer*>(signer)->keyAlive) return fail(kNteBadKeyset);
  *signature = rsaSign(fromHex(kSimKeyModulus), fromHex(kSimKeyPrivateExponent), algorithm,
                       digestOf(algorithm, data));
  return true;
}

bool SimPlatform::destroySignerKey(SignerHandle signer) {
  auto* s = static_cast<Signer*>(signer);
  if (const uint32_t e = std::exchange(keyDestroyError_, 0)) return fail(e);
  if (s->keyAlive) --liveKeys_;
  s->keyAlive = false;
  return true;
}

void SimPlatform::closeSigner(SignerHandle signer) {
  auto* s = static_cast<Signer*>(signer);
  // Releasing the provider takes an ephemeral key with it, whatever an
  // earlier destruction gave.
  if (s->keyAlive) --liveKeys_;
  signers_.erase(std::remove(signers_.begin(), signers_.end(), s), signers_.end());
  delete s;
}

bool SimPlatform::addSignerCertificate(SignerHandle signer, CertStore store) {
  if (const uint32_t e = std::exchange(storeAddError_[storeSlot(store)], 0)) return fail(e);
  std::vector<Bytes>& certificates = stores_[storeSlot(store)];
  const Bytes& certificate = static_cast<Signer*>(signer)->certificate;
  if (std::find(certificates.begin(), certificates.end(), certificate) == certificates.end()) {
    certificates.push_back(certificate);
  }
  return true;
}

void SimPlatform::putStoreCertificate(CertStore store, const Bytes& der,
                                      const std::string& friendlyName) {
  stores_[storeSlot(store)].push_back(der);
  friendlyNames_[der] = friendlyName;
}

bool SimPlatform::storeCertificates(CertStore store, std::vector<StoreCertificate>* certificates) {
  certificates->clear();
  for (const Bytes& der : stores_[storeSlot(store)]) {
    const auto name = friendlyNames_.find(der);
    certificates->push_back({der, name == friendlyNames_.end() ? "" : name->second});
  }
  return true;
}

bool SimPlatform::deleteStoreCertificate(CertStore store, const Bytes& der) {
  std::vector<Bytes>& certificates = stores_[storeSlot(store)];
  auto found = std::find(certificates.begin(), certificates.end(), der);
  if (found == certificates.end()) return fail(0x80092004);  // CRYPT_E_NOT_FOUND
  certificates.erase(found);
  return true;
}

bool SimPlatform::removeSignerCertificate(SignerHandle signer, CertStore store) {
  std::vector<Bytes>& certificates = stores_[storeSlot(store)];
  auto found = std::find(certificates.begin(), certificates.end(),
                         static_cast<Signer*>(signer)->certificate);
  if (found == certificates.end()) return fail(0x80092004);  // CRYPT_E_NOT_FOUND
  certificates.erase(found);
  return true;
}

}  // namespace lw
