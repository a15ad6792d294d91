// The operations patchInfFile is built from; only the engine and its tests
// use them.
#pragma once

#include <cstdint>

#include "infpatch/inf_patch.h"
#include "infpatch/inf_stream.h"

namespace lw {

// One line is read into this many bytes (and, for a wide file, as many
// 16-bit units), as fgets and fgetws would with a buffer of this size.
constexpr int kInfLineCapacity = 1024;

// Large enough that both passes run at the speed of a plain line copy.
constexpr size_t kInfReadBufferSize = 32 * 1024;
constexpr size_t kInfWriteBufferSize = 32 * 1024;

struct ByteOrderMark {
  bool found;
  int length;  // 2, 3 or 4 when found
};

int32_t findSection(const InfSection* table, const char* trimmedLine);
void markSectionFound(InfSection* table, int32_t sectionId, int32_t lineNumber);
void markPresentLines(InfSection* table, int32_t sectionId, const char* trimmedLine);
PatchResult emitPendingRows(InfSection* table, InfWriter* out, int32_t insertionPoint);

void trimLineEnd(char* line);
bool isSectionHeader(const char* trimmedLine);
// The header test for a line that keeps its line end.
bool isSectionHeaderUntrimmed(const char* line);

ByteOrderMark probeByteOrderMark(const char* path);

// True when a line was read into `buffer`; `result` tells a conversion
// failure (PatchReadError) apart from the end of the input (PatchOk).
bool readInfLine(char* buffer, int capacity, InfReader* stream, bool wide, PatchResult* result);

}  // namespace lw
