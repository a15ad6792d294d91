// patchInfFile: a survey of the input, then a copy with the table's missing
// lines inserted. The table records what was found and what was written.
#include "infpatch/inf_patch.h"

#include <cstring>

#include "infpatch/inf_engine.h"

namespace lw {

namespace {

// The memory stays the same whatever the file's size. All of it in one
// block, small enough for allocators to serve it without a fresh mapping.
constexpr size_t kUnitBufferSize = kInfLineCapacity * sizeof(uint16_t);
constexpr size_t kWorkspaceSize =
    kUnitBufferSize + kInfLineCapacity + kInfReadBufferSize + kInfWriteBufferSize;

InfSection* rowOf(InfSection* table, int32_t sectionId) {
  if (!table || sectionId == NoSection) return nullptr;
  for (InfSection* row = table; row->name; ++row) {
    if (row->sectionId == sectionId) return row;
  }
  return nullptr;
}

PatchResult surveyInput(InfSection* table, InfReader* in, bool wide, char* line,
                        int32_t* lineCount) {
  int32_t current = NoSection;
  int32_t number = 0;
  PatchResult result = PatchResult::PatchOk;
  while (readInfLine(line, kInfLineCapacity, in, wide, &result)) {
    // Line numbers live in 32 bits; no INF comes near this.
    if (number == INT32_MAX) return PatchResult::PatchReadError;
    ++number;
    trimLineEnd(line);
    if (isSectionHeader(line)) {
      current = findSection(table, line);
      markSectionFound(table, current, number);
    } else {
      markPresentLines(table, current, line);
    }
  }
  if (result == PatchResult::PatchReadError) return result;
  *lineCount = number;
  return PatchResult::PatchOk;
}

PatchResult copyWithInsertion(InfSection* table, InfReader* in, bool wide, char* line,
                              int32_t lineCount, InfWriter* out) {
  PatchResult result = PatchResult::PatchOk;
  for (int32_t copied = 0; copied < lineCount; ++copied) {
    if (!readInfLine(line, kInfLineCapacity, in, wide, &result)) {
      if (result != PatchResult::PatchOk) return result;
      break;
    }
    if (emitPendingRows(table, out, copied) != PatchResult::PatchOk)
      return PatchResult::PatchIoError;
    // A prefix joins the next line, but a header glued to it would be lost
    // to Setup (an empty section followed by the next header).
    if (out->endsWithPrefix() && isSectionHeaderUntrimmed(line) && !out->write("\n")) {
      return PatchResult::PatchIoError;
    }
    if (!out->write(line)) return PatchResult::PatchIoError;
  }
  // The inserted rows never continue a last line that has no line end.
  out->startNextOnNewLine();
  if (emitPendingRows(table, out, lineCount) != PatchResult::PatchOk)
    return PatchResult::PatchIoError;
  if (emitPendingRows(table, out, -1) != PatchResult::PatchOk) return PatchResult::PatchIoError;
  out->cancelNewLine();
  return PatchResult::PatchOk;
}

}  // namespace

int32_t findSection(const InfSection* table, const char* trimmedLine) {
  if (!table || !trimmedLine) return NoSection;
  for (const InfSection* row = table; row->name; ++row) {
    if (std::strcmp(row->name, trimmedLine) == 0) return row->sectionId;
  }
  return NoSection;
}

void markSectionFound(InfSection* table, int32_t sectionId, int32_t lineNumber) {
  InfSection* row = rowOf(table, sectionId);
  if (!row) return;
  row->present = true;
  row->insertAfterLine = lineNumber;
}

void markPresentLines(InfSection* table, int32_t sectionId, const char* trimmedLine) {
  InfSection* row = rowOf(table, sectionId);
  if (!row || !trimmedLine) return;
  for (uint32_t i = 0; i < row->lineCount; ++i) {
    if (std::strcmp(row->lines[i].text, trimmedLine) == 0) row->lines[i].written = true;
  }
}

PatchResult emitPendingRows(InfSection* table, InfWriter* out, int32_t insertionPoint) {
  if (!table || !out) return PatchResult::PatchBadArgs;
  // One blank line may be owed at a time, shared by the rows of this call.
  bool blankPending = false;
  for (InfSection* row = table; row->name; ++row) {
    if (row->insertAfterLine != insertionPoint) continue;
    if (!row->present) {
      if (!out->write("\n") || !out->write(row->name) || !out->write("\n"))
        return PatchResult::PatchIoError;
      row->present = true;
      blankPending = true;
    }
    for (uint32_t i = 0; i < row->lineCount; ++i) {
      InfLine& record = row->lines[i];
      if (record.prefix) {
        if (!out->writePrefix(record.text)) return PatchResult::PatchIoError;
        record.written = true;
        blankPending = false;
      }
      if (!record.written) {
        if (!out->write(record.text) || !out->write("\n")) return PatchResult::PatchIoError;
        record.written = true;
        if (!blankPending) blankPending = row->sectionId == StringsSection;
      }
    }
    if (blankPending && !out->write("\n")) return PatchResult::PatchIoError;
  }
  return PatchResult::PatchOk;
}

PatchResult patchInfFile(InfPatchTable table, const char* outPath, const char* inPath,
                         Sha256Digest* written) {
  if (!table || !outPath || !inPath) return PatchResult::PatchBadArgs;
  PlatformBuffer workspace(kWorkspaceSize);
  if (!workspace) return PatchResult::PatchIoError;
  auto* units = reinterpret_cast<uint16_t*>(workspace.get());
  char* line = workspace.get() + kUnitBufferSize;
  auto* readBuffer = reinterpret_cast<unsigned char*>(line + kInfLineCapacity);
  char* writeBuffer = line + kInfLineCapacity + kInfReadBufferSize;

  ByteOrderMark mark = probeByteOrderMark(inPath);
  FileHandle inFile = platform().openRead(inPath);
  if (!inFile) return PatchResult::PatchIoError;
  InfReader in(inFile, readBuffer, kInfReadBufferSize, units);
  uint64_t start = mark.found ? static_cast<uint64_t>(mark.length) : 0;

  int32_t lineCount = 0;
  PatchResult result = in.seek(start) ? PatchResult::PatchOk : PatchResult::PatchReadError;
  if (result == PatchResult::PatchOk)
    result = surveyInput(table, &in, mark.found, line, &lineCount);
  if (result == PatchResult::PatchOk && !in.seek(start)) result = PatchResult::PatchReadError;
  if (result != PatchResult::PatchOk) {
    platform().closeFile(inFile);
    return result;
  }

  FileHandle outFile = platform().openWrite(outPath);
  if (!outFile) {
    platform().closeFile(inFile);
    return PatchResult::PatchIoError;
  }
  // Hashed only when asked: the tool and the benchmarks need no digest.
  Sha256 hash;
  InfWriter out(outFile, writeBuffer, kInfWriteBufferSize, written ? &hash : nullptr);
  result = copyWithInsertion(table, &in, mark.found, line, lineCount, &out);
  // A close that loses buffered data must not pass for a complete file.
  bool complete = out.close();
  platform().closeFile(inFile);
  if (result == PatchResult::PatchOk && !complete) result = PatchResult::PatchIoError;
  if (result == PatchResult::PatchOk && written) *written = hash.finish();
  return result;
}

}  // namespace lw
