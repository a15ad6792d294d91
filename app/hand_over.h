// On 64-bit Windows the 32-bit program hands the run to the 64-bit one
// beside it: under WOW64 it would see System32 and HKLM\Software
// redirected, and so back up, patch and read the wrong files and keys.
// It starts only the 64-bit program built with it: the folder is often the
// user's Downloads, and whatever stands there under that name would run
// with the administrator's consent given to this program alone.
#pragma once

#include <cstdint>

#include "signing/sha256.h"

namespace lw {

// The Authenticode image hash (SHA-256) of the Linkwright64.exe built from
// the same sources, which the build writes.
extern const Sha256Digest kProgram64Pin;

// Why the 64-bit program was not run; each has a box of its own.
enum class HandOverFailure {
  Missing,      // no such file beside this program
  NotOurs,      // a link, a second name or other bytes than the pinned ones
  PathTooLong,  // this program's folder leaves no room for the name
  NotElevated,  // Windows wants elevation that this process lacks (740)
  CannotStart,  // any other reason, which the log gives
};

enum class ChildRun {
  Ended,       // the exit code is the child's
  NotStarted,  // nothing runs; the error says why
  NotAwaited,  // it runs, but its end cannot be waited for
};

// A path of the 64-bit program fits this buffer (MAX_PATH).
constexpr uint32_t kHandOverPathSize = 260;

// What the hand-over needs of Windows beyond the platform; the product's is
// Win32.
class HandOverHost {
 public:
  virtual ~HandOverHost() = default;
  // True when this process is a 32-bit one on 64-bit Windows.
  virtual bool underWow64() = 0;
  // The 64-bit program's full name in this program's own folder: 0, or the
  // Windows error number why it cannot be named.
  virtual uint32_t program64Path(char (&path)[kHandOverPathSize]) = 0;
  // Starts that program with the same current directory and no arguments
  // and waits for it to end.
  virtual ChildRun run(const char* path, uint32_t* exitCode, uint32_t* error) = 0;
  virtual void showFailure(HandOverFailure why) = 0;
};

enum class HandOver {
  RunHere,     // not under WOW64: this program does the run itself
  HandedOver,  // the run is over: exit with the code given
};

// With the log closed: under WOW64 runs the 64-bit program whose image hash
// is `pin`, held open against writers from the check until it has started,
// and gives its exit code, writing nothing. When it cannot run, logs the
// banner and why, shows the box, logs the abort line and gives 1.
HandOver handOverTo64Bit(HandOverHost& host, const Sha256Digest& pin, int* exitCode);

}  // namespace lw
