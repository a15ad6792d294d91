// The signing identity on the real Windows: a CryptoAPI key pair in an
// ephemeral (verify-only) context, so that no key container ever holds it,
// and the local machine's certificate stores.
#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/crypt_algorithms.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <string>

namespace lw {

namespace {

constexpr DWORD kKeyBits = 2048;
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kSha1Size = 20;
// CryptoAPI takes lengths as DWORDs; longer data goes in pieces.
constexpr size_t kLargestPiece = std::numeric_limits<DWORD>::max();

struct Signer {
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
  PCCERT_CONTEXT certificate = nullptr;
};

Signer* signerOf(SignerHandle handle) { return static_cast<Signer*>(handle); }

// Keeps the first failure's error across the clean-up calls after it.
class ErrorKeeper {
 public:
  ErrorKeeper() : error_(GetLastError()) {}
  ~ErrorKeeper() { SetLastError(error_); }
  ErrorKeeper(const ErrorKeeper&) = delete;
  ErrorKeeper& operator=(const ErrorKeeper&) = delete;

 private:
  DWORD error_;
};

struct ProviderChoice {
  const char* name;
  DWORD type;
};

// Newest first. The AES provider computes SHA-256 (XP SP3 ships it as a
// prototype under another name); the enhanced one, all that XP SP2 has,
// only SHA-1.
const ProviderChoice kProviders[] = {
    {MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES},
    {MS_ENH_RSA_AES_PROV_XP_A, PROV_RSA_AES},
    {MS_ENHANCED_PROV_A, PROV_RSA_FULL},
};

HCRYPTPROV acquireEphemeralProvider() {
  for (const ProviderChoice& choice : kProviders) {
    HCRYPTPROV provider = 0;
    if (CryptAcquireContextA(&provider, nullptr, choice.name, choice.type,
                             CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
      return provider;
    }
  }
  return 0;
}

// The subject as one common name: quoted, so that a comma, plus sign or
// semicolon in the text stays in it rather than starting another attribute.
bool encodeCommonName(const std::string& text, Bytes* name) {
  std::string x500 = "CN=\"";
  for (char c : text) {
    x500 += c;
    if (c == '"') x500 += '"';
  }
  x500 += '"';
  DWORD size = 0;
  if (!CertStrToNameA(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, nullptr, &size,
                      nullptr)) {
    return false;
  }
  name->resize(size);
  if (!CertStrToNameA(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, name->data(),
                      &size, nullptr)) {
    return false;
  }
  name->resize(size);
  return true;
}

bool encodeCodeSigningUsage(Bytes* value) {
  char codeSigning[] = szOID_PKIX_KP_CODE_SIGNING;
  LPSTR usages[] = {codeSigning};
  CERT_ENHKEY_USAGE usage{1, usages};
  DWORD size = 0;
  if (!CryptEncodeObject(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, &usage, nullptr, &size)) {
    return false;
  }
  value->resize(size);
  if (!CryptEncodeObject(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, &usage, value->data(),
                         &size)) {
    return false;
  }
  value->resize(size);
  return true;
}

constexpr int kFirstYear = 1601;
constexpr int kLastYear = 9999;

// Checked here: SystemTimeToFileTime takes 29 February of any year under
// Wine, and the certificate encoder ignores its failure either way.
bool isRealMoment(const UtcTime& t) {
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < kFirstYear || t.year > kLastYear || t.month < 1 || t.month > 12) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int days = kMonthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
  return t.day >= 1 && t.day <= days && t.hour >= 0 && t.hour < 24 && t.minute >= 0 &&
         t.minute < 60 && t.second >= 0 && t.second < 60;
}

SYSTEMTIME toSystemTime(const UtcTime& utc) {
  SYSTEMTIME out{};
  out.wYear = static_cast<WORD>(utc.year);
  out.wMonth = static_cast<WORD>(utc.month);
  out.wDay = static_cast<WORD>(utc.day);
  out.wHour = static_cast<WORD>(utc.hour);
  out.wMinute = static_cast<WORD>(utc.minute);
  out.wSecond = static_cast<WORD>(utc.second);
  return out;
}

bool setFriendlyName(PCCERT_CONTEXT certificate, const char* text) {
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units) != units) return false;
  CRYPT_DATA_BLOB blob{static_cast<DWORD>(units * sizeof(wchar_t)),
                       reinterpret_cast<BYTE*>(&wide[0])};
  return CertSetCertificateContextProperty(certificate, CERT_FRIENDLY_NAME_PROP_ID, 0, &blob) !=
         FALSE;
}

// Drops the key and its context; the certificate stays.
bool releaseKey(Signer* signer) {
  const bool keyDestroyed = !signer->key || CryptDestroyKey(signer->key);
  const bool providerReleased = !signer->provider || CryptReleaseContext(signer->provider, 0);
  signer->key = 0;
  signer->provider = 0;
  return keyDestroyed && providerReleased;
}

HCERTSTORE openMachineStore(CertStore which, DWORD flags = 0) {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE | flags,
                       certStoreName(which));
}

// Writes the change out before the store is closed. Windows' registry
// stores write at once and ignore this; Wine's write at close, and lose a
// deletion whose context keeps the store open past it.
bool commitAndClose(HCERTSTORE store, bool changed) {
  const bool committed = changed && CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
  ErrorKeeper keep;
  CertCloseStore(store, 0);
  return committed;
}

bool hashAll(HCRYPTHASH hash, const Bytes& data) {
  size_t done = 0;
  do {
    const size_t piece = std::min(data.size() - done, kLargestPiece);
    if (!CryptHashData(hash, data.data() + done, static_cast<DWORD>(piece), 0)) return false;
    done += piece;
  } while (done < data.size());
  return true;
}

}  // namespace

bool Win32Platform::randomBytes(void* out, size_t size) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    return false;
  }
  BYTE* next = static_cast<BYTE*>(out);
  bool filled = true;
  while (filled && size > 0) {
    const size_t piece = std::min(size, kLargestPiece);
    filled = CryptGenRandom(provider, static_cast<DWORD>(piece), next) != FALSE;
    next += piece;
    size -= piece;
  }
  ErrorKeeper keep;
  CryptReleaseContext(provider, 0);
  return filled;
}

SignerHandle Win32Platform::createSigner(const char* subject, const UtcTime& notBefore,
                                         const UtcTime& notAfter) {
  if (!subject || !*subject || !isRealMoment(notBefore) || !isRealMoment(notAfter) ||
      notAfter < notBefore) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SYSTEMTIME start = toSystemTime(notBefore);
  SYSTEMTIME end = toSystemTime(notAfter);
  std::unique_ptr<Signer> signer(new (std::nothrow) Signer);
  if (!signer) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Bytes name;
  Bytes usage;
  bool made = (signer->provider = acquireEphemeralProvider()) != 0 &&
              CryptGenKey(signer->provider, AT_SIGNATURE, kKeyBits << 16, &signer->key) &&
              encodeCommonName(subject, &name) && encodeCodeSigningUsage(&usage);
  if (made) {
    CERT_NAME_BLOB nameBlob{static_cast<DWORD>(name.size()), name.data()};
    char extendedKeyUsage[] = szOID_ENHANCED_KEY_USAGE;
    CERT_EXTENSION extension{
        extendedKeyUsage, FALSE, {static_cast<DWORD>(usage.size()), usage.data()}};
    CERT_EXTENSIONS extensions{1, &extension};
    char sha256Rsa[] = szOID_RSA_SHA256RSA;
    CRYPT_ALGORITHM_IDENTIFIER algorithm{sha256Rsa, {0, nullptr}};
    // No key information: the key is AT_SIGNATURE of the context given, and
    // the certificate must not send anyone looking for a container.
    signer->certificate =
        CertCreateSelfSignCertificate(signer->provider, &nameBlob, CERT_CREATE_SELFSIGN_NO_KEY_INFO,
                                      nullptr, &algorithm, &start, &end, &extensions);
    made = signer->certificate && setFriendlyName(signer->certificate, subject);
  }
  if (!made) {
    ErrorKeeper keep;
    closeSigner(signer.release());
    return nullptr;
  }
  return signer.release();
}

bool Win32Platform::signerCertificate(SignerHandle handle, Bytes* der) {
  Signer* signer = signerOf(handle);
  if (!signer || !signer->certificate) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  der->assign(signer->certificate->pbCertEncoded,
              signer->certificate->pbCertEncoded + signer->certificate->cbCertEncoded);
  return true;
}

bool Win32Platform::signWithSigner(SignerHandle handle, HashAlgorithm algorithm, const Bytes& data,
                                   Bytes* signature) {
  Signer* signer = signerOf(handle);
  if (!signer || !signer->key) {
    SetLastError(static_cast<DWORD>(NTE_NO_KEY));
    return false;
  }
  const ALG_ID hashId = algorithm == HashAlgorithm::Sha1 ? CALG_SHA1 : CALG_SHA_256;
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(signer->provider, hashId, 0, 0, &hash)) return false;
  DWORD size = 0;
  Bytes result;
  bool signedHash =
      hashAll(hash, data) && CryptSignHashA(hash, AT_SIGNATURE, nullptr, 0, nullptr, &size);
  if (signedHash) {
    result.resize(size);
    signedHash = CryptSignHashA(hash, AT_SIGNATURE, nullptr, 0, result.data(), &size) != FALSE;
  }
  {
    ErrorKeeper keep;
    CryptDestroyHash(hash);
  }
  if (!signedHash) return false;
  // CryptoAPI writes the number least significant byte first.
  result.resize(size);
  std::reverse(result.begin(), result.end());
  *signature = std::move(result);
  return true;
}

bool Win32Platform::destroySignerKey(SignerHandle handle) {
  Signer* signer = signerOf(handle);
  if (!signer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return releaseKey(signer);
}

void Win32Platform::closeSigner(SignerHandle handle) {
  Signer* signer = signerOf(handle);
  if (!signer) return;
  releaseKey(signer);
  if (signer->certificate) CertFreeCertificateContext(signer->certificate);
  delete signer;
}

bool Win32Platform::addSignerCertificate(SignerHandle handle, CertStore which) {
  Signer* signer = signerOf(handle);
  if (!signer || !signer->certificate) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  HCERTSTORE store = openMachineStore(which);
  if (!store) return false;
  // A certificate made in this run cannot be there already: one that is
  // (CRYPT_E_EXISTS) is not overwritten, nor taken for ours.
  return commitAndClose(store, CertAddCertificateContextToStore(store, signer->certificate,
                                                                CERT_STORE_ADD_NEW, nullptr));
}

// Listing neither creates the store nor opens it for writing.
bool Win32Platform::storeCertificates(CertStore which,
                                      std::vector<StoreCertificate>* certificates) {
  certificates->clear();
  HCERTSTORE store =
      openMachineStore(which, CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_READONLY_FLAG);
  if (!store) return GetLastError() == ERROR_FILE_NOT_FOUND;
  for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c;
       c = CertEnumCertificatesInStore(store, c)) {
    StoreCertificate certificate;
    certificate.der.assign(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    wchar_t friendly[256];
    DWORD size = sizeof friendly;
    char ansi[512];
    if (CertGetCertificateContextProperty(c, CERT_FRIENDLY_NAME_PROP_ID, friendly, &size) &&
        WideCharToMultiByte(CP_ACP, 0, friendly, -1, ansi, sizeof ansi, nullptr, nullptr) > 0) {
      certificate.friendlyName = ansi;
    }
    certificates->push_back(std::move(certificate));
  }
  CertCloseStore(store, 0);
  return true;
}

bool Win32Platform::deleteStoreCertificate(CertStore which, const Bytes& der) {
  PCCERT_CONTEXT wanted =
      CertCreateCertificateContext(kEncoding, der.data(), static_cast<DWORD>(der.size()));
  if (!wanted) return false;
  HCERTSTORE store = openMachineStore(which);
  PCCERT_CONTEXT found =
      store ? CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_EXISTING, wanted, nullptr)
            : nullptr;
  CertFreeCertificateContext(wanted);
  if (!store) return false;
  if (!found) SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
  // Deleting frees the context found, whether or not it succeeds.
  return commitAndClose(store, found && CertDeleteCertificateFromStore(found));
}

bool Win32Platform::removeSignerCertificate(SignerHandle handle, CertStore which) {
  Signer* signer = signerOf(handle);
  if (!signer || !signer->certificate) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  BYTE thumbprint[kSha1Size];
  DWORD size = sizeof thumbprint;
  if (!CertGetCertificateContextProperty(signer->certificate, CERT_SHA1_HASH_PROP_ID, thumbprint,
                                         &size)) {
    return false;
  }
  HCERTSTORE store = openMachineStore(which);
  if (!store) return false;
  CRYPT_HASH_BLOB hash{size, thumbprint};
  PCCERT_CONTEXT found =
      CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SHA1_HASH, &hash, nullptr);
  // Deleting frees the context found, whether or not it succeeds.
  return commitAndClose(store, found && CertDeleteCertificateFromStore(found));
}

}  // namespace lw
