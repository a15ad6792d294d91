#include "updaters/package_build.h"

#include <cstring>

#include "app/log.h"
#include "platform/platform.h"
#include "signing/catalog.h"
#include "signing/catalog_verify.h"
#include "signing/pe_image_hash.h"
#include "updaters/package_inf.h"

namespace lw {

namespace {

constexpr uint32_t kSha256SignatureMajor = 6;
constexpr uint32_t kSha256SignatureMinor = 2;
// Every Windows from Vista to 11, as the member attribute names them.
constexpr char kOsAttribute[] = "2:6.0,2:6.1,2:6.2,2:6.3,2:10.0";
constexpr size_t kListIdentifierBytes = 16;

std::string baseName(const char* path) {
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

CatalogMember memberFor(const std::string& name, const Bytes& bytes) {
  CatalogMember member;
  member.fileName = name;
  member.peImage = peImageHash(bytes.data(), bytes.size(), kCatalogMemberHash, &member.hash);
  if (!member.peImage) member.hash = digestOf(kCatalogMemberHash, bytes);
  return member;
}

StepResult packageFailed(const char* what, const char* driverName) {
  logText("ERROR: ");
  logText(what);
  logText(" [");
  logText(driverName);
  logText("].\r\n");
  return StepResult::StepFailed;
}

const char* checkText(CatalogCheck check) {
  switch (check) {
    case CatalogCheck::Ok:
      return "ok";
    case CatalogCheck::Malformed:
      return "catalog unreadable";
    case CatalogCheck::UntrustedSigner:
      return "signer not trusted";
    case CatalogCheck::BadSignature:
      return "signature does not hold";
    case CatalogCheck::ContentChanged:
      return "catalog content changed";
    case CatalogCheck::NotValidNow:
      return "certificate not valid now";
    case CatalogCheck::NotForCodeSigning:
      return "certificate not for code signing";
    case CatalogCheck::MemberMismatch:
      return "a file does not match the catalog";
  }
  return "unknown";
}

StepResult writeInf(const char* path, const std::string& text, Sha256Digest* written) {
  FileHandle file = platform().openWrite(path);
  if (!file) return StepResult::StepFailed;
  const bool ok = platform().writeFile(file, text.data(), text.size());
  if (!platform().closeFile(file) || !ok) return StepResult::StepFailed;
  Sha256 hash;
  hash.update(text.data(), text.size());
  *written = hash.finish();
  return StepResult::StepOk;
}

}  // namespace

HashAlgorithm signatureHashFor(const WindowsVersion& version) {
  const bool eightOrLater =
      version.major > kSha256SignatureMajor ||
      (version.major == kSha256SignatureMajor && version.minor >= kSha256SignatureMinor);
  return eightOrLater ? HashAlgorithm::Sha256 : HashAlgorithm::Sha1;
}

bool readWholeFile(const char* path, Bytes* out) {
  FileHandle file = platform().openRead(path);
  if (!file) return false;
  out->clear();
  readToEnd(file, out);
  platform().closeFile(file);
  return true;
}

std::string packageCatalogName(const char* driverName) {
  return std::string("linkwright_") + driverName + ".cat";
}

StepResult buildPackage(DriverPackage& package, PackageSigner& signer, const char* infPath,
                        const char* driverDirectory, const char* driverName, Sha256Digest* written,
                        PackageManifest* manifest) {
  PackageManifest result;
  result.infName = baseName(infPath);
  result.catalogName = packageCatalogName(driverName);

  Bytes patched;
  if (!readWholeFile(infPath, &patched)) {
    return packageFailed("Could not read the patched inf file of", driverName);
  }
  PackageInf inf;
  switch (
      preparePackageInf(std::string(patched.begin(), patched.end()), result.catalogName, &inf)) {
    case PackageInfResult::Ok:
      break;
    case PackageInfResult::NoVersionSection:
      return packageFailed("The inf file has no [Version] section to name a catalog in, for",
                           driverName);
    case PackageInfResult::SourceFileInFolder:
      return packageFailed("The inf file names a source file outside its own folder, for",
                           driverName);
  }
  if (writeInf(infPath, inf.text, written) != StepResult::StepOk) {
    return packageFailed("Could not write the patched inf file of", driverName);
  }

  CatalogContent content;
  content.algorithm = kCatalogMemberHash;
  content.osAttribute = kOsAttribute;
  content.thisUpdate = platform().utcNow();
  content.listIdentifier.resize(kListIdentifierBytes);
  if (!platform().randomBytes(content.listIdentifier.data(), kListIdentifierBytes)) {
    return packageFailed("Could not make a catalog identifier for", driverName);
  }
  content.members.push_back(memberFor(result.infName, bytesOf(inf.text)));
  for (const std::string& file : inf.files) {
    if (package.copyIn(driverDirectory, file) != StepResult::StepOk) return StepResult::StepFailed;
    Bytes bytes;
    if (!readWholeFile(package.pathOf(file).c_str(), &bytes)) {
      return packageFailed("Could not read a driver file of", driverName);
    }
    content.members.push_back(memberFor(file, bytes));
    result.files.push_back(file);
  }

  Bytes catalog;
  if (signer.sign(encodeTrustList(content), signatureHashFor(platform().windowsVersion()),
                  &catalog) != StepResult::StepOk) {
    return StepResult::StepFailed;
  }
  if (package.write(result.catalogName, catalog) != StepResult::StepOk)
    return StepResult::StepFailed;
  logText("Signed catalog [");
  logText(package.pathOf(result.catalogName).c_str());
  logText("] for ");
  logText(driverName);
  logText(" inf file.\r\n");
  *manifest = std::move(result);
  return StepResult::StepOk;
}

StepResult verifyPackage(const DriverPackage& package, const PackageSigner& signer,
                         const PackageManifest& manifest, const Bytes& infBytes) {
  std::vector<CatalogMember> files{memberFor(manifest.infName, infBytes)};
  Bytes catalog;
  bool readable = readWholeFile(package.pathOf(manifest.catalogName).c_str(), &catalog);
  for (const std::string& name : manifest.files) {
    Bytes bytes;
    readable = readable && readWholeFile(package.pathOf(name).c_str(), &bytes);
    files.push_back(memberFor(name, bytes));
  }
  const CatalogCheck check =
      readable ? verifyCatalog(catalog, signer.certificate(), files, platform().utcNow())
               : CatalogCheck::Malformed;
  if (check == CatalogCheck::Ok) return StepResult::StepOk;
  logText("ERROR: The driver package did not pass its signature check [");
  logText(checkText(check));
  logText("].\r\n");
  return StepResult::StepFailed;
}

}  // namespace lw
