#include "removal/leftovers.h"

#include <algorithm>

#include "app/log.h"
#include "hostcfg/generic_device_flags.h"
#include "removal/own_inf.h"
#include "signing/der.h"
#include "signing/x509.h"
#include "updaters/driver_package.h"
#include "updaters/driver_paths.h"
#include "updaters/package_build.h"
#include "updaters/package_signer.h"

namespace lw {

namespace {

constexpr CertStore kStores[] = {CertStore::Root, CertStore::TrustedPublisher};

std::string infFolder() {
  char windows[kPathBufferSize];
  const uint32_t length = platform().windowsDirectory(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return "";
  return std::string(windows, length) + "\\inf\\";
}

bool readWhole(const std::string& path, std::string* bytes) {
  Bytes read;
  if (!readWholeFile(path.c_str(), &read)) return false;
  bytes->assign(read.begin(), read.end());
  return true;
}

void findInfs(Leftovers* found) {
  const std::string folder = infFolder();
  std::vector<std::string> names;
  if (folder.empty() || !platform().listFiles(folder.c_str(), &names)) {
    logErrorLine("ERROR: Could not list the Windows inf folder ", platform().lastError());
    found->infFolderListed = false;
    found->searchComplete = false;
    return;
  }
  std::sort(names.begin(), names.end());
  const bool signedPackages = signsDriverPackages();
  for (const std::string& name : names) {
    const std::string path = folder + name;
    std::string bytes;
    if (!readWhole(path, &bytes)) {
      logText("WARNING: Could not read [");
      logText(path.c_str());
      logText("], so it is not counted as Linkwright's.\r\n");
      continue;
    }
    if (ownerOfInf(bytes, signedPackages) == InfOwner::Other) continue;
    logBracketed("Found inf file that Linkwright installed [", path.c_str());
    found->infs.push_back(path);
  }
}

// The subject Windows or the simulation writes for the signer's common name,
// in any of the string types a certificate may use for it.
bool isSignerName(const Bytes& name) {
  const Bytes commonName = der::objectId("2.5.4.3");
  for (const Bytes& text : {der::printableString(kSignerName), der::utf8String(kSignerName),
                            der::bmpString(kSignerName)}) {
    if (name == der::sequence({der::setOf({der::sequence({commonName, text})})})) return true;
  }
  return false;
}

void findCertificates(Leftovers* found) {
  for (CertStore store : kStores) {
    std::vector<StoreCertificate> listed;
    if (!platform().storeCertificates(store, &listed)) {
      logText("ERROR: Could not read the local machine's [");
      logText(certStoreName(store));
      logText("] store.\r\n");
      found->searchComplete = false;
      continue;
    }
    for (const StoreCertificate& entry : listed) {
      Certificate certificate;
      if (entry.friendlyName != kSignerName || !parseCertificate(entry.der, &certificate) ||
          !isSignerName(certificate.subject) || !isSelfSignedBy(certificate) ||
          !certificate.codeSigningUsage) {
        continue;
      }
      FoundCertificate ours{store, entry.der, thumbprintText(certificate)};
      logText("Found driver signing certificate [");
      logText(ours.thumbprint.c_str());
      logText("] in the local machine's [");
      logText(certStoreName(store));
      logText("] store.\r\n");
      found->certificates.push_back(ours);
    }
  }
}

void logFailure(const char* text, const std::string& value, uint32_t error) {
  logText(text);
  logText(value.c_str());
  logErrorLine("] ", error);
}

// A missing key holds no values; any other failure to open it is logged.
void findFlagValues(Leftovers* found) {
  RegKey key = nullptr;
  const long opened = platform().openKey(RegRoot::LocalMachine, kUsbFlagsKey, kKeyRead, &key);
  if (opened != kErrorSuccess) {
    if (opened == kErrorFileNotFound) return;
    logFailure("ERROR: Could not open registry key [", kUsbFlagsKey, static_cast<uint32_t>(opened));
    found->searchComplete = false;
    return;
  }
  for (const std::string& name : genericDeviceFlagNames()) {
    uint32_t type = 0;
    uint32_t size = 0;
    if (platform().queryValue(key, name.c_str(), &type, nullptr, &size) != kErrorSuccess) continue;
    logBracketed("Found generic-device value [", name.c_str());
    found->flagValues.push_back(name);
  }
  platform().closeKey(key);
}

// SetupUninstallOEMInf's word is not taken for it: the file must be gone.
bool removeInf(const std::string& path) {
  const std::string name = path.substr(path.rfind('\\') + 1);
  if (!platform().uninstallOemInf(name.c_str(), kSuoiForceDelete)) {
    logFailure("ERROR: Could not remove inf file [", path, platform().lastError());
    return false;
  }
  if (platform().fileAttributes(path.c_str()) != kInvalidFileAttributes) {
    logBracketed("ERROR: Inf file is still there after its removal [", path.c_str());
    return false;
  }
  logBracketed("Removed inf file [", path.c_str());
  return true;
}

bool removeFlagValues(const std::vector<std::string>& names) {
  if (names.empty()) return true;
  RegKey key = nullptr;
  const long opened =
      platform().openKey(RegRoot::LocalMachine, kUsbFlagsKey, kKeyRead | kKeyWrite, &key);
  if (opened != kErrorSuccess) {
    logFailure("ERROR: Could not open registry key [", kUsbFlagsKey, static_cast<uint32_t>(opened));
    return false;
  }
  bool removed = true;
  for (const std::string& name : names) {
    const long deleted = platform().deleteValue(key, name.c_str());
    uint32_t type = 0;
    uint32_t size = 0;
    if (deleted != kErrorSuccess) {
      logFailure("ERROR: Could not remove generic-device value [", name,
                 static_cast<uint32_t>(deleted));
      removed = false;
    } else if (platform().queryValue(key, name.c_str(), &type, nullptr, &size) == kErrorSuccess) {
      logBracketed("ERROR: Generic-device value is still there after its removal [", name.c_str());
      removed = false;
    } else {
      logBracketed("Removed generic-device value [", name.c_str());
    }
  }
  platform().closeKey(key);
  return removed;
}

bool stillInStore(const FoundCertificate& certificate) {
  std::vector<StoreCertificate> listed;
  if (!platform().storeCertificates(certificate.store, &listed)) return true;
  return std::any_of(listed.begin(), listed.end(),
                     [&](const StoreCertificate& c) { return c.der == certificate.der; });
}

bool removeCertificate(const FoundCertificate& certificate) {
  const std::string store = certStoreName(certificate.store);
  if (!platform().deleteStoreCertificate(certificate.store, certificate.der)) {
    logFailure("ERROR: Could not remove driver signing certificate [", certificate.thumbprint,
               platform().lastError());
    return false;
  }
  if (stillInStore(certificate)) {
    logBracketed("ERROR: Driver signing certificate is still there after its removal [",
                 certificate.thumbprint.c_str());
    return false;
  }
  logText("Removed driver signing certificate [");
  logText(certificate.thumbprint.c_str());
  logText("] from the local machine's [");
  logText(store.c_str());
  logText("] store.\r\n");
  return true;
}

}  // namespace

Leftovers findLeftovers() {
  Leftovers found;
  findInfs(&found);
  findCertificates(&found);
  findFlagValues(&found);
  if (found.empty() && found.searchComplete) {
    logText("Found nothing that Linkwright installed.\r\n");
  }
  return found;
}

RemovalResult removeLeftovers(const Leftovers& found) {
  bool packagesGone = found.infFolderListed;
  for (const std::string& inf : found.infs) packagesGone = removeInf(inf) && packagesGone;
  bool removed = removeFlagValues(found.flagValues) && packagesGone && found.searchComplete;
  if (!found.certificates.empty() && !packagesGone) {
    logText(
        "Kept the driver signing certificates: a package they signed may still be installed.\r\n");
    removed = false;
  } else {
    for (const FoundCertificate& certificate : found.certificates) {
      removed = removeCertificate(certificate) && removed;
    }
  }
  return removed ? RemovalResult::Removed : RemovalResult::Failed;
}

}  // namespace lw
