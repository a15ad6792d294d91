// Sizes, path pieces, log lines and path building that more than one
// updater uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"

namespace lw {

// Every path an updater builds fits 260 characters in a 262-byte buffer.
constexpr size_t kPathBufferSize = 262;
constexpr size_t kMaxPathLength = 260;

// Path buffers come from the platform, whose allocator tests can fail.
inline char* allocatePathBuffer(size_t size = kPathBufferSize) {
  return static_cast<char*>(platform().allocate(size));
}

inline constexpr char kDriverExtension[] = ".sys";
inline constexpr char kDriversSuffix[] = "\\drivers\\";

inline constexpr char kNoDriverDirectoryLine[] =
    "ERROR: Could not retrieve the driver directory.\r\n";
inline constexpr char kNoDriverDirectoryMemoryLine[] =
    "ERROR: Could not allocate memory for driver directory.\r\n";
inline constexpr char kNoSystemPathLine[] = "ERROR: Could not retrieve the system path.\r\n";
inline constexpr char kDriverPathTooLongLine[] = "ERROR: Driver path length is too long.\r\n";

// The text a GetXxxDirectoryA-style query left in a kPathBufferSize buffer,
// given the length it returned: that length terminated and measured, or 0
// when the query failed or its answer did not fit (and so is not there).
inline size_t takeDirectoryAnswer(char* buffer, size_t length) {
  if (length == 0 || length >= kPathBufferSize) return 0;
  buffer[length] = '\0';
  return std::strlen(buffer);
}

// Sets `buffer`, a fresh kPathBufferSize buffer, to directory + name +
// extension. When there is no directory or the result would pass 260
// characters, logs why, releases the buffer and sets it to null.
void fillDriverFilePath(char*& buffer, const char* directory, const char* name,
                        const char* extension);

}  // namespace lw
