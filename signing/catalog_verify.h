// Checks a signed catalog as Windows checks a driver package before it
// stages it: the signature, that the signer is the one trusted root the
// run added, and that the members are exactly the package's files with
// their hashes.
#pragma once

#include <string>
#include <vector>

#include "signing/bytes.h"
#include "signing/catalog.h"

namespace lw {

enum class CatalogCheck {
  Ok,
  Malformed,          // not a catalog of the form signCatalog writes
  UntrustedSigner,    // the signer's certificate is not the trusted one
  BadSignature,       // the attributes' signature or the certificate's own fails
  ContentChanged,     // the message digest does not match the trust list
  NotValidNow,        // outside the certificate's validity
  NotForCodeSigning,  // no code-signing usage
  MemberMismatch,     // a file is not listed with its hash, or a member is not a file
};

// `files` are the package's files as they are now, hashed with the
// catalog's algorithm; `trustedRoot` the DER of the certificate that was
// added to the trusted stores; `now` the moment of the check.
CatalogCheck verifyCatalog(const Bytes& catalog, const Bytes& trustedRoot,
                           const std::vector<CatalogMember>& files, const UtcTime& now);

// The members a catalog lists, as read back; false when it is malformed.
bool readCatalogMembers(const Bytes& catalog, HashAlgorithm* algorithm,
                        std::vector<CatalogMember>* members);

}  // namespace lw
