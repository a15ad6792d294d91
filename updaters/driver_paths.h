// Sizes, path pieces, log lines and path building that more than one
// updater uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "infpatch/vendor_tables.h"
#include "platform/platform.h"

namespace lw {

// Every path an updater builds fits 260 characters in a 262-byte buffer.
constexpr size_t kPathBufferSize = 262;
constexpr size_t kMaxPathLength = 260;

inline constexpr char kDriverExtension[] = ".sys";
// The drivers' names: the sync driver, its name under ActiveSync 6, and the
// mass-storage driver.
inline constexpr char kSyncDriverName[] = "wceusbsh";
inline constexpr char kGen60SyncDriverName[] = "winusb";
inline constexpr char kStorageDriverName[] = "usbstor";
inline constexpr char kDriversSuffix[] = "\\drivers\\";

inline constexpr char kNoDriverDirectoryLine[] =
    "ERROR: Could not retrieve the driver directory.\r\n";
inline constexpr char kNoDriverDirectoryMemoryLine[] =
    "ERROR: Could not allocate memory for driver directory.\r\n";
inline constexpr char kNoSystemPathLine[] = "ERROR: Could not retrieve the system path.\r\n";

// The length of the pieces written one after another.
size_t joinedLength(std::initializer_list<const char*> pieces);

// Appends the pieces to the text in `path` when the whole stays within
// `limit` characters (the buffer holds limit + 1 bytes at least); false,
// with `path` unchanged, when it would not.
bool appendToPath(char* path, std::initializer_list<const char*> pieces,
                  size_t limit = kMaxPathLength);

// Sets `path`, a fresh kPathBufferSize buffer, to directory + name +
// extension. When there is no directory or the result would pass 260
// characters, logs why and releases the buffer.
void fillDriverFilePath(PlatformBuffer& path, const char* directory, const char* name,
                        const char* extension);

// Patches with a fresh copy of `table`: the engine marks the records it
// meets, and a second patch must come out the same as the first.
PatchResult patchWithCopyOf(const VendorPatchTable& table, const char* outPath, const char* inPath,
                            Sha256Digest* written);

}  // namespace lw
