#include "updaters/driver_paths.h"

#include <cstring>

#include "app/log.h"

namespace lw {

size_t joinedLength(std::initializer_list<const char*> pieces) {
  size_t length = 0;
  for (const char* piece : pieces) length += std::strlen(piece);
  return length;
}

bool appendToPath(char* path, std::initializer_list<const char*> pieces, size_t limit) {
  size_t length = std::strlen(path);
  if (length + joinedLength(pieces) > limit) return false;
  for (const char* piece : pieces) {
    const size_t pieceLength = std::strlen(piece);
    std::memmove(path + length, piece, pieceLength);
    length += pieceLength;
  }
  path[length] = '\0';
  return true;
}

void fillDriverFilePath(PlatformBuffer& path, const char* directory, const char* name,
                        const char* extension) {
  path.get()[0] = '\0';
  const char* failure = nullptr;
  if (!directory) {
    failure = kNoDriverDirectoryLine;
  } else if (!appendToPath(path.get(), {directory, name, extension})) {
    failure = "ERROR: Driver path length is too long.\r\n";
  }
  if (!failure) return;
  logText(failure);
  path.reset();
}

PatchResult patchWithCopyOf(const VendorPatchTable& table, const char* outPath, const char* inPath,
                            Sha256Digest* written) {
  if (!outPath || !inPath) return PatchResult::PatchBadArgs;
  VendorPatchTable run = table;
  return patchInfFile(run.table(), outPath, inPath, written);
}

}  // namespace lw
