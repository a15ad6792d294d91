#include "platform/platform.h"

namespace lw {

namespace {
Platform* activePlatform = nullptr;
}

Platform& platform() { return *activePlatform; }

void setPlatform(Platform* active) { activePlatform = active; }

bool isLinked(FileHandle file) {
  FileIdentity identity;
  return !platform().identifyFile(file, &identity) || identity.links > 1 ||
         identity.reparseTag != 0;
}

}  // namespace lw
