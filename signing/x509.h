// What the signing code reads from an X.509 certificate (RFC 5280).
#pragma once

#include "signing/bytes.h"
#include "signing/digest.h"
#include "signing/rsa.h"

namespace lw {

struct Certificate {
  Bytes encoding;      // the whole certificate
  Bytes toBeSigned;    // tbsCertificate, as encoded
  Bytes serialNumber;  // magnitude, as encoded (no sign byte)
  // The INTEGER as encoded: a signer is named by it byte for byte, and
  // some issuers write serial numbers that read as negative.
  Bytes serialNumberEncoding;
  Bytes issuer;   // Name, as encoded
  Bytes subject;  // Name, as encoded
  UtcTime notBefore;
  UtcTime notAfter;
  RsaPublicKey publicKey;  // an RSA key, or empty
  HashAlgorithm signatureHash = HashAlgorithm::Sha1;
  bool signatureHashKnown = false;  // sha1WithRSA or sha256WithRSA
  Bytes signature;
  // Extended key usage: present, and naming code signing (1.3.6.1.5.5.7.3.3).
  bool hasExtendedKeyUsage = false;
  bool codeSigningUsage = false;
};

// False when the bytes are not a certificate this code can use.
bool parseCertificate(const Bytes& der, Certificate* out);

// The certificate's own signature checks out with its own key: a
// self-signed certificate whose issuer is its subject.
bool isSelfSignedBy(const Certificate& certificate);

// The SHA-1 of the whole encoding, as Windows shows a thumbprint.
Bytes thumbprint(const Certificate& certificate);

}  // namespace lw
