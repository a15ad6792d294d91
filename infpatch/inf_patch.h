// The INF patch engine: copies a stock INF line by line and inserts the
// table's lines that it lacks, after their section headers or in sections
// appended at the end. The table is its only memory.
#pragma once

#include <cstdint>

#include "signing/sha256.h"

namespace lw {

enum class PatchResult : int {
  PatchOk = 0,
  PatchBadArgs = 3,
  PatchIoError = 25,
  PatchReadError = 32,
};

enum : int32_t { StringsSection = 2, NoSection = 4 };

constexpr int kInfLineTextSize = 260;

#pragma pack(push, 1)
struct InfLine {
  bool written;  // stands in its section already, or has been written
  bool prefix;   // written without a line end at every emission of its row
  char text[kInfLineTextSize];
};
#pragma pack(pop)

struct InfSection {
  const char* name;         // "[Strings]"; null ends the table
  int32_t insertAfterLine;  // input line of the header, -1 when never seen
  bool present;             // the header stands in the input or was written
  int32_t sectionId;
  InfLine* lines;
  uint32_t lineCount;
};

// An array of rows ending with a row whose name is null.
using InfPatchTable = InfSection*;

// With `written`, a complete output's SHA-256 is stored there: the digest
// of the bytes handed to the file, to tell later whether it still holds them.
PatchResult patchInfFile(InfPatchTable table, const char* outPath, const char* inPath,
                         Sha256Digest* written = nullptr);

}  // namespace lw
