// On 64-bit Windows the 32-bit program hands the run to the 64-bit one
// beside it: under WOW64 it would see System32 and HKLM\Software
// redirected, and so back up, patch and read the wrong files and keys.
#pragma once

#include <cstdint>

namespace lw {

// What the hand-over needs of Windows; the product's is Win32.
class HandOverHost {
 public:
  virtual ~HandOverHost() = default;
  // True when this process is a 32-bit one on 64-bit Windows.
  virtual bool underWow64() = 0;
  // Starts the 64-bit program from this program's own folder, with the same
  // current directory and no arguments, and waits for it to end: its exit
  // code, or false with the Windows error number why it could not run.
  virtual bool run64BitProgram(uint32_t* exitCode, uint32_t* error) = 0;
  // Tells the user that the 64-bit program must stand beside this one.
  virtual void showMissing64BitProgram() = 0;
};

enum class HandOver {
  RunHere,     // not under WOW64: this program does the run itself
  HandedOver,  // the run is over: exit with the code given
};

// With the log closed: under WOW64 runs the 64-bit program and gives its
// exit code, writing nothing; when it cannot run, shows why, logs the
// banner, the reason and the abort line, and gives 1.
HandOver handOverTo64Bit(HandOverHost& host, int* exitCode);

}  // namespace lw
