// The real platform under Wine: the answers the simulated one imitates.
#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <sddl.h>
#include <wincrypt.h>

#include "platform/win32/crypt_algorithms.h"
#include "tests/support/platform_contract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace lw {
namespace {

struct Win32Environment {
  Win32Environment() { setPlatform(&win32); }
  ~Win32Environment() { setPlatform(nullptr); }
  Platform& platform() { return win32; }
  std::string folder() {
    char dir[MAX_PATH];
    EXPECT_GT(win32.tempDirectory(dir, sizeof dir), 0u);
    return dir;
  }
  Win32Platform win32;
};
// Wine keeps to every expectation of the contract.
INSTANTIATE_TYPED_TEST_SUITE_P(Wine, PlatformContract, Win32Environment);

// The rest is what only the real Windows can show.
class Win32PlatformTest : public ::testing::Test {
 protected:
  Win32PlatformTest() { setPlatform(&win32); }
  ~Win32PlatformTest() override { setPlatform(nullptr); }

  std::string tempDir() {
    char dir[MAX_PATH];
    EXPECT_GT(win32.tempDirectory(dir, sizeof dir), 0u);
    return dir;
  }

  Win32Platform win32;
};

TEST_F(Win32PlatformTest, SystemDirectoryIsWinesSystem32) {
  char buffer[MAX_PATH];
  ASSERT_GT(win32.systemDirectory(buffer, sizeof buffer), 0u);
  EXPECT_STRCASEEQ(buffer, "C:\\windows\\system32");
}

TEST_F(Win32PlatformTest, AppendSharesReadingAndWriting) {
  std::string path = tempDir() + "lw-append.txt";
  FileHandle first = win32.openAppend(path.c_str());
  ASSERT_NE(first, nullptr);
  FileHandle second = win32.openAppend(path.c_str());  // another holder
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(win32.writeFile(first, "ab", 2));
  EXPECT_TRUE(win32.writeFile(second, "cd", 2));
  EXPECT_TRUE(win32.writeFile(first, "ef", 2));
  FileHandle reader = win32.openRead(path.c_str());
  ASSERT_NE(reader, nullptr);
  char got[8] = {};
  EXPECT_EQ(win32.readFile(reader, got, sizeof got), 6u);
  EXPECT_STREQ(got, "abcdef");
  win32.closeFile(reader);
  win32.closeFile(second);
  win32.closeFile(first);
  win32.deleteFile(path.c_str());
}

// Wine reports a Unix hard link's count; it cannot make a Windows symbolic
// link or another reparse point, so the reparse tags are the simulation's
// alone.
TEST_F(Win32PlatformTest, FileIdentityCountsNamesAndTellsFilesApart) {
  std::string path = tempDir() + "lw-linked.txt";
  std::string second = tempDir() + "lw-second-name.txt";
  std::string other = tempDir() + "lw-other.txt";
  FileHandle file = win32.openAppend(path.c_str());
  ASSERT_NE(file, nullptr);
  FileIdentity first;
  ASSERT_TRUE(win32.identifyFile(file, &first));
  EXPECT_EQ(first.links, 1u);
  EXPECT_EQ(first.reparseTag, 0u);
  EXPECT_FALSE(isLinked(file));
  ASSERT_TRUE(CreateHardLinkA(second.c_str(), path.c_str(), nullptr));
  EXPECT_TRUE(isLinked(file));
  win32.closeFile(file);

  FileHandle byName = win32.openAppendThrough(second.c_str());
  FileHandle another = win32.openAppend(other.c_str());
  ASSERT_NE(byName, nullptr);
  ASSERT_NE(another, nullptr);
  FileIdentity same;
  FileIdentity different;
  ASSERT_TRUE(win32.identifyFile(byName, &same));
  ASSERT_TRUE(win32.identifyFile(another, &different));
  EXPECT_EQ(same.links, 2u);
  EXPECT_EQ(same.volume, first.volume);
  EXPECT_EQ(same.index, first.index);
  EXPECT_NE(different.index, first.index);
  win32.closeFile(byName);
  win32.closeFile(another);
  EXPECT_EQ(win32.openAppendThrough((tempDir() + "lw-none.txt").c_str()), nullptr);
  EXPECT_EQ(win32.lastError(), kErrorFileNotFound);
  for (const std::string& name : {second, path, other}) win32.deleteFile(name.c_str());
}

// What was read through a locked handle is what Setup installs: Setup can
// read the held file.
TEST_F(Win32PlatformTest, ALockedFileCanBeInstalled) {
  const std::string dir = tempDir();
  const std::string path = dir + "lw-held.inf";
  const std::string bytes = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
  FileHandle writer = win32.openWrite(path.c_str());
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(win32.writeFile(writer, bytes.data(), bytes.size()));
  win32.closeFile(writer);
  FileHandle held = win32.openReadLocked(path.c_str());
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(isLinked(held));
  char installed[262] = {};
  EXPECT_TRUE(
      win32.copyOemInf(path.c_str(), dir.c_str(), kSpostPath, 0, installed, sizeof installed));
  win32.closeFile(held);
  EXPECT_TRUE(win32.deleteFile(path.c_str()));
}

// Wine keeps no descriptor for a file: it maps the DACL to Unix mode bits
// and answers with one made from them (owner the Unix user, nothing
// protected). There, only "nobody but SYSTEM and the owner" can be seen.
// Wine departs from Windows here: without SUOI_FORCEDELETE it reports
// success and removes nothing; with it, it removes the INF alone.
TEST_F(Win32PlatformTest, WinesUninstallNeedsTheForceFlag) {
  const std::string source = tempDir() + "lw-uninstall.inf";
  FileHandle file = win32.openWrite(source.c_str());
  ASSERT_NE(file, nullptr);
  const std::string bytes = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
  ASSERT_TRUE(win32.writeFile(file, bytes.data(), bytes.size()));
  win32.closeFile(file);
  char installed[262] = {};
  ASSERT_TRUE(
      win32.copyOemInf(source.c_str(), nullptr, kSpostPath, 0, installed, sizeof installed));
  const char* name = std::strrchr(installed, '\\') + 1;
  EXPECT_TRUE(win32.uninstallOemInf(name, 0));
  EXPECT_NE(win32.fileAttributes(installed), kInvalidFileAttributes);
  EXPECT_TRUE(win32.uninstallOemInf(name, kSuoiForceDelete));
  EXPECT_EQ(win32.fileAttributes(installed), kInvalidFileAttributes);
  win32.deleteFile(source.c_str());
}

TEST_F(Win32PlatformTest, PrivateDirectoryAdmitsAdministratorsAndSystemAlone) {
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  const std::string dir = tempDir() + "lw-private";
  ASSERT_TRUE(win32.createPrivateDirectory(dir.c_str())) << win32.lastError();
  const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  GetFileSecurityA(dir.c_str(), wanted, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  ASSERT_TRUE(GetFileSecurityA(dir.c_str(), wanted, buffer.data(), size, &size));
  auto sidText = [](PSID sid) {
    char* text = nullptr;
    std::string result = ConvertSidToStringSidA(sid, &text) ? text : "?";
    LocalFree(text);
    return result;
  };
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  ASSERT_TRUE(GetSecurityDescriptorOwner(buffer.data(), &owner, &defaulted));
  const std::string administrators = wine ? sidText(owner) : "S-1-5-32-544";
  EXPECT_EQ(sidText(owner), administrators);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(buffer.data(), &control, &revision));
  if (!wine) {
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
  }
  BOOL present = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(buffer.data(), &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);
  std::vector<std::string> admitted;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    admitted.push_back(sidText(&ace->SidStart));
  }
  std::sort(admitted.begin(), admitted.end());
  std::vector<std::string> expected = {"S-1-5-18", administrators};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(admitted, expected);

  EXPECT_FALSE(win32.createPrivateDirectory(dir.c_str()));
  EXPECT_EQ(win32.lastError(), kErrorAlreadyExists);
  EXPECT_TRUE(win32.removeDirectory(dir.c_str()));
}

TEST_F(Win32PlatformTest, WindowsVersionIsOneThatExists) {
  const WindowsVersion v = win32.windowsVersion();
  const bool known = (v.major == 5 && (v.minor == 1 || v.minor == 2)) ||
                     (v.major == 6 && v.minor <= 3) || (v.major == 10 && v.minor == 0);
  EXPECT_TRUE(known) << v.major << "." << v.minor;
  EXPECT_GT(v.build, 0u);
}

TEST_F(Win32PlatformTest, RandomBytesFillTheBuffer) {
  std::vector<uint8_t> first(64, 0);
  std::vector<uint8_t> second(64, 0);
  ASSERT_TRUE(win32.randomBytes(first.data(), first.size()));
  ASSERT_TRUE(win32.randomBytes(second.data(), second.size()));
  EXPECT_NE(first, second);
  EXPECT_NE(std::count(first.begin(), first.end(), 0), 64);
}

// The named key containers of this user, to show that a signer adds none.
size_t keyContainerCount() {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return SIZE_MAX;
  }
  size_t count = 0;
  char name[1024];
  DWORD size = sizeof name;
  for (DWORD flag = CRYPT_FIRST;
       CryptGetProvParam(provider, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, flag);
       flag = CRYPT_NEXT, size = sizeof name) {
    ++count;
  }
  CryptReleaseContext(provider, 0);
  return count;
}

// Whether `signature` (big-endian) is the key's signature over `data`.
bool verifies(PCCERT_CONTEXT cert, ALG_ID hashId, const Bytes& data, Bytes signature) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return false;
  }
  HCRYPTKEY key = 0;
  HCRYPTHASH hash = 0;
  std::reverse(signature.begin(), signature.end());
  const bool good =
      CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, &cert->pCertInfo->SubjectPublicKeyInfo,
                               &key) &&
      CryptCreateHash(provider, hashId, 0, 0, &hash) &&
      CryptHashData(hash, data.data(), data.size(), 0) &&
      CryptVerifySignatureA(hash, signature.data(), signature.size(), key, nullptr, 0);
  if (hash) CryptDestroyHash(hash);
  if (key) CryptDestroyKey(key);
  CryptReleaseContext(provider, 0);
  return good;
}

TEST_F(Win32PlatformTest, SignerCertifiesSignsAndVisitsTheMachineStores) {
  const UtcTime from{2024, 2, 29, 3, 4, 5};
  const UtcTime until{2034, 12, 31, 23, 59, 58};
  const size_t containers = keyContainerCount();
  ASSERT_NE(containers, SIZE_MAX);
  const char* subject = "Linkwright test, \"signer\"";
  SignerHandle signer = win32.createSigner(subject, from, until);
  ASSERT_NE(signer, nullptr) << std::hex << win32.lastError();
  EXPECT_EQ(keyContainerCount(), containers);
  Bytes der;
  ASSERT_TRUE(win32.signerCertificate(signer, &der));
  PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), der.size());
  ASSERT_NE(cert, nullptr);
  const CERT_INFO& info = *cert->pCertInfo;
  char text[256];
  CertNameToStrA(X509_ASN_ENCODING, const_cast<CERT_NAME_BLOB*>(&info.Subject), CERT_X500_NAME_STR,
                 text, sizeof text);
  EXPECT_STREQ(text, "CN=\"Linkwright test, \"\"signer\"\"\"");
  EXPECT_TRUE(CertCompareCertificateName(X509_ASN_ENCODING,
                                         const_cast<CERT_NAME_BLOB*>(&info.Issuer),
                                         const_cast<CERT_NAME_BLOB*>(&info.Subject)));
  EXPECT_STREQ(info.SignatureAlgorithm.pszObjId, szOID_RSA_SHA256RSA);
  EXPECT_TRUE(CryptVerifyCertificateSignature(
      0, X509_ASN_ENCODING, der.data(), der.size(),
      const_cast<CERT_PUBLIC_KEY_INFO*>(&info.SubjectPublicKeyInfo)));
  EXPECT_EQ(CertGetPublicKeyLength(X509_ASN_ENCODING,
                                   const_cast<CERT_PUBLIC_KEY_INFO*>(&info.SubjectPublicKeyInfo)),
            2048u);
  SYSTEMTIME start{};
  SYSTEMTIME end{};
  FileTimeToSystemTime(&info.NotBefore, &start);
  FileTimeToSystemTime(&info.NotAfter, &end);
  EXPECT_EQ(std::vector<int>(
                {start.wYear, start.wMonth, start.wDay, start.wHour, start.wMinute, start.wSecond}),
            std::vector<int>({2024, 2, 29, 3, 4, 5}));
  EXPECT_EQ(
      std::vector<int>({end.wYear, end.wMonth, end.wDay, end.wHour, end.wMinute, end.wSecond}),
      std::vector<int>({2034, 12, 31, 23, 59, 58}));
  BYTE usageBuffer[256];
  DWORD size = sizeof usageBuffer;
  auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(usageBuffer);
  ASSERT_TRUE(CertGetEnhancedKeyUsage(cert, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, usage, &size));
  ASSERT_EQ(usage->cUsageIdentifier, 1u);
  EXPECT_STREQ(usage->rgpszUsageIdentifier[0], szOID_PKIX_KP_CODE_SIGNING);

  const Bytes data = bytesOf("catalog content");
  for (HashAlgorithm algorithm : {HashAlgorithm::Sha1, HashAlgorithm::Sha256}) {
    Bytes signature;
    ASSERT_TRUE(win32.signWithSigner(signer, algorithm, data, &signature)) << win32.lastError();
    EXPECT_EQ(signature.size(), 256u);
    EXPECT_TRUE(verifies(cert, algorithm == HashAlgorithm::Sha1 ? CALG_SHA1 : CALG_SHA_256, data,
                         signature));
  }

  BYTE thumbprint[20];
  size = sizeof thumbprint;
  ASSERT_TRUE(CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, thumbprint, &size));
  CRYPT_HASH_BLOB hash{size, thumbprint};
  for (CertStore which : {CertStore::Root, CertStore::TrustedPublisher}) {
    const char* name = which == CertStore::Root ? "Root" : "TrustedPublisher";
    auto findIn = [&]() {
      HCERTSTORE store =
          CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                        CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, name);
      PCCERT_CONTEXT found = store ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                                CERT_FIND_SHA1_HASH, &hash, nullptr)
                                   : nullptr;
      if (store) CertCloseStore(store, 0);
      return found;
    };
    ASSERT_TRUE(win32.addSignerCertificate(signer, which)) << name << std::hex << win32.lastError();
    PCCERT_CONTEXT found = findIn();
    ASSERT_NE(found, nullptr) << name;
    wchar_t friendly[64] = {};
    size = sizeof friendly;
    EXPECT_TRUE(
        CertGetCertificateContextProperty(found, CERT_FRIENDLY_NAME_PROP_ID, friendly, &size));
    EXPECT_STREQ(friendly, L"Linkwright test, \"signer\"");
    size = 0;
    EXPECT_FALSE(
        CertGetCertificateContextProperty(found, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    CertFreeCertificateContext(found);
    EXPECT_FALSE(win32.addSignerCertificate(signer, which));
    EXPECT_EQ(win32.lastError(), static_cast<uint32_t>(CRYPT_E_EXISTS));
    EXPECT_TRUE(win32.removeSignerCertificate(signer, which)) << name;
    EXPECT_EQ(findIn(), nullptr) << name;
    EXPECT_FALSE(win32.removeSignerCertificate(signer, which));
  }

  EXPECT_TRUE(win32.destroySignerKey(signer));
  Bytes signature;
  EXPECT_FALSE(win32.signWithSigner(signer, HashAlgorithm::Sha256, data, &signature));
  Bytes after;
  EXPECT_TRUE(win32.signerCertificate(signer, &after));
  EXPECT_EQ(after, der);
  win32.closeSigner(signer);
  CertFreeCertificateContext(cert);
}

// Windows refuses such a day, Wine's SystemTimeToFileTime takes 29 February of
// any year, and the certificate encoder would not tell either way.
TEST_F(Win32PlatformTest, SignerRefusesADayThatDoesNotExist) {
  EXPECT_EQ(win32.createSigner("x", UtcTime{2023, 2, 29, 0, 0, 0}, UtcTime{2030, 1, 1, 0, 0, 0}),
            nullptr);
  EXPECT_EQ(win32.lastError(), kErrorInvalidParameter);
}

}  // namespace
}  // namespace lw
