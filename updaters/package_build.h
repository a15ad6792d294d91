// Turns a patched INF copy into a signed driver package: the INF names its
// catalog, the driver files it copies stand beside it, and the catalog
// lists them all. Then checks the result as Windows will before staging it.
#pragma once

#include <string>
#include <vector>

#include "app/step_result.h"
#include "signing/bytes.h"
#include "signing/digest.h"
#include "signing/sha256.h"
#include "updaters/driver_package.h"
#include "updaters/package_signer.h"

namespace lw {

struct PackageManifest {
  std::string infName;             // the INF's name in the folder
  std::string catalogName;         // what its CatalogFile line names
  std::vector<std::string> files;  // the driver files copied beside it
};

// The members' digest: SHA-1, the documented layout of a version 1
// catalog, which every Windows from Vista to 11 reads. SHA-256 members
// belong to the version 2 layout, whose member encoding is not documented.
constexpr HashAlgorithm kCatalogMemberHash = HashAlgorithm::Sha1;

// The signature's digest for the Windows it is made on: SHA-256 from
// Windows 8 (NT 6.2); SHA-1 on Vista and 7, which need an update for it.
HashAlgorithm signatureHashFor(const WindowsVersion& version);

// The catalog a driver's package names in its CatalogFile line:
// "linkwright_<driver>.cat".
std::string packageCatalogName(const char* driverName);

// Rewrites the INF at `infPath` inside the package, copies the driver
// files it names from `driverDirectory`, and writes the signed catalog.
// `written` gets the digest of the INF as rewritten. Failures are logged.
StepResult buildPackage(DriverPackage& package, PackageSigner& signer, const char* infPath,
                        const char* driverDirectory, const char* driverName, Sha256Digest* written,
                        PackageManifest* manifest);

// The catalog's signature, its signer being the run's trusted certificate,
// and every member's hash against the files as they are now; `infBytes`
// are the INF as read through the handle held for Setup. Logged on failure.
StepResult verifyPackage(const DriverPackage& package, const PackageSigner& signer,
                         const PackageManifest& manifest, const Bytes& infBytes);

// Reads a whole file through the platform; false when it cannot be read.
bool readWholeFile(const char* path, Bytes* out);

}  // namespace lw
