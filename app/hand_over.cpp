#include "app/hand_over.h"

#include <algorithm>

#include "app/log.h"
#include "app/run_sequence.h"
#include "platform/platform.h"
#include "signing/pe_image_hash.h"

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
void beginFailedRun(const HandOverProgram& program) {
  openLog();
  writeBannerOf(program.bannerTitle);
}

// "<before><file64><after>", then the system's text for `error`.
void logWithSystemText(const HandOverProgram& program, const char* before, const char* after,
                       uint32_t error) {
  logText(before);
  logText(program.file64);
  logErrorLine(after, error);
}

// The removal program's code for a stopped run is the wizard's (checked
// there).
int stopFailedRun(const HandOverProgram& program) {
  return static_cast<int>(stopRunWith(program.abortedLine));
}

HandOver endWithBox(HandOverHost& host, const HandOverProgram& program, HandOverFailure why,
                    int* exitCode) {
  host.showFailure(program, why);
  *exitCode = stopFailedRun(program);
  return HandOver::HandedOver;
}

HandOver cannotStart(HandOverHost& host, const HandOverProgram& program, uint32_t error,
                     int* exitCode) {
  beginFailedRun(program);
  logWithSystemText(program, "ERROR: Could not start ", " from the folder of this program. ",
                    error);
  return endWithBox(host, program, failureOf(error), exitCode);
}

HandOver notOurs(HandOverHost& host, const HandOverProgram& program, bool linked, const char* path,
                 int* exitCode) {
  beginFailedRun(program);
  logText("ERROR: ");
  logText(program.file64);
  logBracketed(linked ? " beside this program is a link or has a second name, and was not "
                        "started ["
                      : " beside this program is not the one built with it, and was not "
                        "started [",
               path);
  return endWithBox(host, program, HandOverFailure::NotOurs, exitCode);
}

}  // namespace

HandOver handOverTo64Bit(HandOverHost& host, const HandOverProgram& program,
                         const Sha256Digest& pin, int* exitCode) {
  if (!host.underWow64()) return HandOver::RunHere;
  char path[kHandOverPathSize];
  const uint32_t pathError = host.pathBesideProgram(program.file64, path);
  if (pathError != kErrorSuccess) return cannotStart(host, program, pathError, exitCode);

  // Held against writers, renames and deletes from the check until the
  // child has ended, so what runs is what was hashed.
  FileHandle twin = platform().openReadLocked(path);
  if (!twin) return cannotStart(host, program, platform().lastError(), exitCode);
  const bool linked = isLinked(twin);
  if (linked || !isPinned(twin, pin)) {
    platform().closeFile(twin);
    return notOurs(host, program, linked, path, exitCode);
  }
  uint32_t code = 0;
  uint32_t error = kErrorSuccess;
  const ChildRun run = host.run(path, &code, &error);
  platform().closeFile(twin);
  switch (run) {
    case ChildRun::Ended:
      // Windows' exit codes are unsigned; the process gives back the same
      // bits.
      *exitCode = static_cast<int>(code);
      return HandOver::HandedOver;
    case ChildRun::NotAwaited:
      // The twin runs and shows its own pages: no box over them.
      beginFailedRun(program);
      logWithSystemText(program, "ERROR: Could not wait for ", " to end. ", error);
      *exitCode = stopFailedRun(program);
      return HandOver::HandedOver;
    case ChildRun::NotStarted:
      break;
  }
  return cannotStart(host, program, error, exitCode);
}

}  // namespace lw
