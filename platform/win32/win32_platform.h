// The real Windows: thin calls of the ...A functions.
#pragma once

#include "platform/platform.h"

namespace lw {

class Win32Platform : public Platform {
 public:
  void* allocate(size_t size) override;
  void release(void* block) override;
  uint32_t lastError() override;
  uint32_t currentDirectory(char* buffer, uint32_t size) override;
  uint32_t systemDirectory(char* buffer, uint32_t size) override;
  uint32_t windowsDirectory(char* buffer, uint32_t size) override;
  uint32_t tempDirectory(char* buffer, uint32_t size) override;
  uint32_t tempFileName(const char* directory, const char* prefix, uint32_t unique,
                        char* out) override;
  bool copyFile(const char* from, const char* to, bool failIfExists) override;
  bool moveFileReplacing(const char* from, const char* to) override;
  bool deleteFile(const char* path) override;
  bool createDirectory(const char* path) override;
  uint32_t fileAttributes(const char* path) override;
  bool listFiles(const char* folder, std::vector<std::string>* names) override;
  FileHandle openRead(const char* path) override;
  FileHandle openWrite(const char* path) override;
  FileHandle openAppend(const char* path) override;
  FileHandle openAppendThrough(const char* path) override;
  FileHandle openReadLocked(const char* path) override;
  bool identifyFile(FileHandle file, FileIdentity* identity) override;
  size_t readFile(FileHandle file, void* buffer, size_t size) override;
  bool writeFile(FileHandle file, const void* data, size_t size) override;
  bool seekFile(FileHandle file, uint64_t offset) override;
  uint64_t fileSize(FileHandle file) override;
  bool closeFile(FileHandle file) override;
  long openKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) override;
  long createKey(RegRoot root, const char* subKey, uint32_t access, RegKey* key) override;
  long queryValue(RegKey key, const char* name, uint32_t* type, void* data,
                  uint32_t* size) override;
  long setValue(RegKey key, const char* name, uint32_t type, const void* data,
                uint32_t size) override;
  long deleteValue(RegKey key, const char* name) override;
  long closeKey(RegKey key) override;
  bool copyOemInf(const char* sourceInf, const char* mediaLocation, uint32_t mediaType,
                  uint32_t copyStyle, char* destName, uint32_t destSize) override;
  bool uninstallOemInf(const char* infName, uint32_t flags) override;
  int wideToAnsi(const uint16_t* units, int count, char* out, int outSize) override;
  char* systemMessage(uint32_t code) override;
  void freeSystemMessage(char* text) override;
  bool localTime(std::tm* out) override;
  UtcTime utcNow() override;
  WindowsVersion windowsVersion() override;
  bool randomBytes(void* out, size_t size) override;
  bool createPrivateDirectory(const char* path) override;
  bool removeDirectory(const char* path) override;
  SignerHandle createSigner(const char* subject, const UtcTime& notBefore,
                            const UtcTime& notAfter) override;
  bool signerCertificate(SignerHandle signer, Bytes* der) override;
  bool signWithSigner(SignerHandle signer, HashAlgorithm algorithm, const Bytes& data,
                      Bytes* signature) override;
  bool destroySignerKey(SignerHandle signer) override;
  void closeSigner(SignerHandle signer) override;
  bool addSignerCertificate(SignerHandle signer, CertStore store) override;
  bool removeSignerCertificate(SignerHandle signer, CertStore store) override;
  bool storeCertificates(CertStore store, std::vector<StoreCertificate>* certificates) override;
  bool deleteStoreCertificate(CertStore store, const Bytes& der) override;
};

}  // namespace lw
