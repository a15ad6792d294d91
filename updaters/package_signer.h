// The run's one signing identity: a self-signed certificate made for this
// run, trusted by the machine, whose private key lives only as long as the
// run still has catalogs to sign.
#pragma once

#include "app/step_result.h"
#include "platform/platform.h"
#include "signing/bytes.h"
#include "signing/digest.h"
#include "signing/x509.h"

#include <string>

namespace lw {

// The certificate's common name and friendly name, by which it is found
// again to be removed.
inline constexpr char kSignerName[] = "Linkwright local driver signer";

// The thumbprint in upper-case hex, as Windows shows it.
std::string thumbprintText(const Certificate& certificate);

class PackageSigner {
 public:
  // The key is destroyed once `catalogsInRun` catalogs have been signed.
  explicit PackageSigner(int catalogsInRun) : catalogsLeft_(catalogsInRun) {}
  ~PackageSigner() { finish(); }
  PackageSigner(const PackageSigner&) = delete;
  PackageSigner& operator=(const PackageSigner&) = delete;

  // Signs a catalog's trust list, making the certificate and adding it to
  // the machine's Root and TrustedPublisher stores first if this is the
  // run's first catalog. Every failure is logged.
  StepResult sign(const Bytes& trustList, HashAlgorithm algorithm, Bytes* catalog);
  // The certificate as added to the stores; empty before the first sign.
  const Bytes& certificate() const { return certificate_; }
  // A package it signed has been installed: the certificate must stay.
  void markUsed() { used_ = true; }
  // The run signs nothing more: the key goes if it is still there, and a
  // certificate that no installed package needs leaves the stores again.
  void finish();

 private:
  StepResult createIdentity();
  StepResult addToStore(CertStore store);
  StepResult destroyKey();

  int catalogsLeft_;
  bool attempted_ = false;
  SignerHandle handle_ = nullptr;
  bool keyHeld_ = false;
  Bytes certificate_;
  std::string thumbprint_;
  bool inStore_[2] = {false, false};
  bool used_ = false;
};

}  // namespace lw
