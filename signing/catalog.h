// A driver package's catalog as Windows' own catalog tools write it: a
// PKCS #7 SignedData (RFC 2315) whose content is a certificate trust list
// naming each file of the package by its hash.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "signing/bytes.h"
#include "signing/digest.h"

namespace lw {

struct CatalogMember {
  std::string fileName;  // as it stands in the package folder ("usbstor.sys")
  Bytes hash;            // the Authenticode image hash of a PE file, else a flat hash
  bool peImage = false;
};

struct CatalogContent {
  HashAlgorithm algorithm = HashAlgorithm::Sha1;
  // The Windows the package is meant for, as the member attribute
  // "OSAttr" states it ("2:6.0,2:6.1,...").
  std::string osAttribute;
  Bytes listIdentifier;  // 16 bytes, different for each catalog
  UtcTime thisUpdate;
  std::vector<CatalogMember> members;
};

// The certificate trust list: the content that is signed.
Bytes encodeTrustList(const CatalogContent& content);

// Signs the DER of the authenticated attributes (a SET): true with the
// signature in `out`, big-endian, as long as the key's modulus.
using AttributeSigner = std::function<bool(const Bytes& attributes, Bytes* out)>;

// The signed catalog: the trust list, the signer's certificate and one
// SignerInfo with the content type, the message digest over the trust
// list's contents octets, the statement type and the publisher
// information as Windows' signing tools write them. False when the signer
// fails or the certificate does not parse.
bool signCatalog(const Bytes& trustList, const Bytes& certificate, HashAlgorithm algorithm,
                 const AttributeSigner& sign, Bytes* catalog);

}  // namespace lw
