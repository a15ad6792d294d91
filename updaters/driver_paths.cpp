#include "updaters/driver_paths.h"

#include "app/log.h"
#include "platform/platform.h"

namespace lw {

void fillDriverFilePath(char*& buffer, const char* directory, const char* name,
                        const char* extension) {
  const char* failure = nullptr;
  size_t length = 0;
  const size_t nameLength = std::strlen(name);
  const size_t extensionLength = std::strlen(extension);
  if (!directory) {
    failure = kNoDriverDirectoryLine;
  } else {
    length = std::strlen(directory);
    if (length + nameLength + extensionLength > kMaxPathLength) failure = kDriverPathTooLongLine;
  }
  if (failure) {
    logText(failure);
    platform().release(buffer);
    buffer = nullptr;
    return;
  }
  std::memcpy(buffer, directory, length);
  std::memcpy(buffer + length, name, nameLength);
  std::memcpy(buffer + length + nameLength, extension, extensionLength + 1);
}

}  // namespace lw
