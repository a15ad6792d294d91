// On 64-bit Windows each 32-bit program (the wizard, the removal program)
// hands the run to its 64-bit twin beside it: under WOW64 it would see
// System32 and HKLM\Software redirected, and so back up, patch, read and
// remove the wrong files and keys. It starts only the twin built with it:
// the folder is often the user's Downloads, and whatever stands there under
// that name would run with the administrator's consent given to this
// program alone.
#pragma once

#include <cstdint>

#include "signing/sha256.h"

namespace lw {

// The Authenticode image hash (SHA-256) of this program's 64-bit twin built
// from the same sources, which the build writes.
extern const Sha256Digest kProgram64Pin;

// The program that hands over, as its boxes and a failed run's log name it.
struct HandOverProgram {
  const char* name;         // in the boxes: "Linkwright", "Linkwright Removal"
  const char* file32;       // this program's file
  const char* file64;       // its twin's, in the same folder
  const char* bannerTitle;  // the run's banner line, with its CR LF
  const char* abortedLine;  // the run's last line when it stops, likewise
};

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
  // `file`'s full name in this program's own folder: 0, or the Windows
  // error number why it cannot be named.
  virtual uint32_t pathBesideProgram(const char* file, char (&path)[kHandOverPathSize]) = 0;
  // Starts that program with the same current directory and no arguments
  // and waits for it to end.
  virtual ChildRun run(const char* path, uint32_t* exitCode, uint32_t* error) = 0;
  virtual void showFailure(const HandOverProgram& program, HandOverFailure why) = 0;
};

enum class HandOver {
  RunHere,     // not under WOW64: this program does the run itself
  HandedOver,  // the run is over: exit with the code given
};

// With the log closed: under WOW64 runs the program's twin, whose image
// hash is `pin`, held open against writers from the check until it has
// ended, and gives its exit code, writing nothing. When it cannot run, logs
// the banner and why, shows the box, logs the abort line and gives 1.
HandOver handOverTo64Bit(HandOverHost& host, const HandOverProgram& program,
                         const Sha256Digest& pin, int* exitCode);

}  // namespace lw
