#include "platform/platform.h"

namespace lw {

namespace {
Platform* activePlatform = nullptr;
}

Platform& platform() { return *activePlatform; }

void setPlatform(Platform* active) { activePlatform = active; }

const char* certStoreName(CertStore store) {
  return store == CertStore::Root ? "Root" : "TrustedPublisher";
}

void readToEnd(FileHandle file, Bytes* out) {
  uint8_t buffer[4096];
  size_t got;
  while ((got = platform().readFile(file, buffer, sizeof buffer)) > 0) {
    out->insert(out->end(), buffer, buffer + got);
  }
}

bool isLinked(FileHandle file) {
  FileIdentity identity;
  return !platform().identifyFile(file, &identity) || identity.links > 1 ||
         identity.reparseTag != 0;
}

}  // namespace lw
