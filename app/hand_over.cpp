#include "app/hand_over.h"

#include <algorithm>

#include "app/log.h"
#include "app/run_sequence.h"
#include "platform/platform.h"
#include "signing/pe_image_hash.h"
#include "app/version.h"

namespace lw {

namespace {

// Far larger than any build of the program; a bigger file is not it, and is
// not read into memory.
constexpr uint64_t kLargestProgram = 16u << 20;

bool readWhole(FileHandle file, Bytes* bytes) {
  const uint64_t size = platform().fileSize(file);
  if (size == UINT64_MAX || size > kLargestProgram) return false;
  readToEnd(file, bytes);
  return bytes->size() == size;
}

bool isPinned(FileHandle file, const Sha256Digest& pin) {
  Bytes image;
  Bytes hash;
  return readWhole(file, &image) &&
         peImageHash(image.data(), image.size(), HashAlgorithm::Sha256, &hash) &&
         std::equal(hash.begin(), hash.end(), pin.begin(), pin.end());
}

HandOverFailure failureOf(uint32_t error) {
  switch (error) {
    case kErrorFileNotFound:
    case kErrorPathNotFound:
      return HandOverFailure::Missing;
    case kErrorFilenameExcedRange:
      return HandOverFailure::PathTooLong;
    case kErrorElevationRequired:
      return HandOverFailure::NotElevated;
    default:
      return HandOverFailure::CannotStart;
  }
}

// The banner comes first, so that it carries the time the run began and a
// run killed while the box is up still leaves its trace.
void beginFailedRun() {
  openLog();
  writeBanner();
}

void logWithSystemText(const char* text, uint32_t error) {
  logText(text);
  logWindowsError(error, ": ");
  logText("\r\n");
}

HandOver endWithBox(HandOverHost& host, HandOverFailure why, int* exitCode) {
  host.showFailure(why);
  *exitCode = static_cast<int>(stopRun());
  return HandOver::HandedOver;
}

HandOver cannotStart(HandOverHost& host, uint32_t error, int* exitCode) {
  beginFailedRun();
  logWithSystemText(
      "ERROR: Could not start " LW_PROGRAM64_FILE " from the folder of this program. ", error);
  return endWithBox(host, failureOf(error), exitCode);
}

}  // namespace

HandOver handOverTo64Bit(HandOverHost& host, const Sha256Digest& pin, int* exitCode) {
  if (!host.underWow64()) return HandOver::RunHere;
  char path[kHandOverPathSize];
  const uint32_t pathError = host.program64Path(path);
  if (pathError != kErrorSuccess) return cannotStart(host, pathError, exitCode);

  // Held against writers, renames and deletes from the check until the
  // child has ended, so what runs is what was hashed.
  FileHandle program = platform().openReadLocked(path);
  if (!program) return cannotStart(host, platform().lastError(), exitCode);
  const bool linked = isLinked(program);
  if (linked || !isPinned(program, pin)) {
    platform().closeFile(program);
    beginFailedRun();
    logBracketed(linked ? "ERROR: " LW_PROGRAM64_FILE
                          " beside this program is a link or has a "
                          "second name, and was not started ["
                        : "ERROR: " LW_PROGRAM64_FILE
                          " beside this program is not the one built "
                          "with it, and was not started [",
                 path);
    return endWithBox(host, HandOverFailure::NotOurs, exitCode);
  }
  uint32_t code = 0;
  uint32_t error = kErrorSuccess;
  const ChildRun run = host.run(path, &code, &error);
  platform().closeFile(program);
  switch (run) {
    case ChildRun::Ended:
      // Windows' exit codes are unsigned; the process gives back the same
      // bits.
      *exitCode = static_cast<int>(code);
      return HandOver::HandedOver;
    case ChildRun::NotAwaited:
      // The 64-bit program runs and shows its own pages: no box over them.
      beginFailedRun();
      logWithSystemText("ERROR: Could not wait for " LW_PROGRAM64_FILE " to end. ", error);
      *exitCode = static_cast<int>(stopRun());
      return HandOver::HandedOver;
    case ChildRun::NotStarted:
      break;
  }
  return cannotStart(host, error, exitCode);
}

}  // namespace lw
