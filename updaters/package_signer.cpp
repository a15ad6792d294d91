#include "updaters/package_signer.h"

#include "app/log.h"
#include "signing/catalog.h"
#include "signing/x509.h"
#include "updaters/driver_paths.h"

namespace lw {

namespace {

// Catalogs carry no time stamp: the certificate must stay valid for as
// long as a terminal may be plugged in. It starts a day early so that a
// clock set a little wrong elsewhere in the day does not matter.
constexpr UtcTime kValidUntil{2099, 12, 31, 23, 59, 59};
constexpr CertStore kStores[] = {CertStore::Root, CertStore::TrustedPublisher};

int storeIndex(CertStore store) { return store == CertStore::Root ? 0 : 1; }

}  // namespace

std::string thumbprintText(const Certificate& certificate) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : thumbprint(certificate)) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

StepResult PackageSigner::createIdentity() {
  const UtcTime now = platform().utcNow();
  handle_ = platform().createSigner(kSignerName, daysBefore(now, 1), kValidUntil);
  if (!handle_) {
    logErrorLine("ERROR: Could not create the driver signing certificate ", platform().lastError());
    return StepResult::StepFailed;
  }
  keyHeld_ = true;
  Certificate parsed;
  if (!platform().signerCertificate(handle_, &certificate_) ||
      !parseCertificate(certificate_, &parsed)) {
    certificate_.clear();
    logText("ERROR: Could not read the driver signing certificate.\r\n");
    return StepResult::StepFailed;
  }
  thumbprint_ = thumbprintText(parsed);
  logText("Created driver signing certificate [CN=");
  logText(kSignerName);
  logText("], thumbprint [");
  logText(thumbprint_.c_str());
  logText("].\r\n");
  for (CertStore store : kStores) {
    if (addToStore(store) != StepResult::StepOk) return StepResult::StepFailed;
  }
  return StepResult::StepOk;
}

StepResult PackageSigner::addToStore(CertStore store) {
  if (!platform().addSignerCertificate(handle_, store)) {
    logText("ERROR: Could not add the driver signing certificate to the local machine's [");
    logText(certStoreName(store));
    logErrorLine("] store ", platform().lastError());
    return StepResult::StepFailed;
  }
  inStore_[storeIndex(store)] = true;
  logText("Added driver signing certificate [");
  logText(thumbprint_.c_str());
  logText("] to the local machine's [");
  logText(certStoreName(store));
  logText("] store.\r\n");
  return StepResult::StepOk;
}

StepResult PackageSigner::destroyKey() {
  if (!keyHeld_) return StepResult::StepOk;
  keyHeld_ = false;
  if (platform().destroySignerKey(handle_)) return StepResult::StepOk;
  logErrorLine("ERROR: Could not destroy the driver signing key ", platform().lastError());
  return StepResult::StepFailed;
}

StepResult PackageSigner::sign(const Bytes& trustList, HashAlgorithm algorithm, Bytes* catalog) {
  if (!attempted_) {
    attempted_ = true;
    if (createIdentity() != StepResult::StepOk) return StepResult::StepFailed;
  }
  // A failed start, a key already destroyed: nothing more is signed.
  if (!keyHeld_) return StepResult::StepFailed;
  uint32_t signError = kErrorSuccess;
  const bool signed_ = signCatalog(
      trustList, certificate_, algorithm,
      [&](const Bytes& attributes, Bytes* out) {
        if (platform().signWithSigner(handle_, algorithm, attributes, out)) return true;
        signError = platform().lastError();
        return false;
      },
      catalog);
  if (!signed_) {
    logErrorLine("ERROR: Could not sign the driver package's catalog ", signError);
    return StepResult::StepFailed;
  }
  // The key is worth nothing once the run's last catalog is signed, and
  // destroyed then, so that nothing else can ever be signed with it.
  if (--catalogsLeft_ <= 0 && destroyKey() != StepResult::StepOk) return StepResult::StepFailed;
  return StepResult::StepOk;
}

void PackageSigner::finish() {
  destroyKey();
  if (!used_) {
    for (CertStore store : kStores) {
      if (!inStore_[storeIndex(store)]) continue;
      inStore_[storeIndex(store)] = false;
      if (!platform().removeSignerCertificate(handle_, store)) {
        logText(
            "ERROR: Could not remove the unused driver signing certificate from the local "
            "machine's [");
        logText(certStoreName(store));
        logErrorLine("] store ", platform().lastError());
        continue;
      }
      logText("Removed unused driver signing certificate [");
      logText(thumbprint_.c_str());
      logText("] from the local machine's [");
      logText(certStoreName(store));
      logText("] store.\r\n");
    }
  }
  if (handle_) platform().closeSigner(handle_);
  handle_ = nullptr;
}

}  // namespace lw
