#include "app/hand_over.h"

#include "app/log.h"
#include "app/run_sequence.h"
#include "ui/resource.h"

namespace lw {

HandOver handOverTo64Bit(HandOverHost& host, int* exitCode) {
  if (!host.underWow64()) return HandOver::RunHere;
  uint32_t code = 0;
  uint32_t error = 0;
  if (host.run64BitProgram(&code, &error)) {
    // Windows' exit codes are unsigned; the process gives back the same bits.
    *exitCode = static_cast<int>(code);
    return HandOver::HandedOver;
  }
  host.showMissing64BitProgram();
  openLog();
  writeBanner();
  logText("ERROR: Could not start " LW_PROGRAM64_FILE " from the folder of this program. ");
  logNumber(static_cast<int32_t>(error));
  logText(": ");
  logSystemError(error);
  *exitCode = stopRun();
  return HandOver::HandedOver;
}

}  // namespace lw
