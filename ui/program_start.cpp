#include "ui/program_start.h"

#include "platform/win32/dll_search.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32_hand_over.h"

namespace lw {

bool runElsewhere([[maybe_unused]] const HandOverProgram& program, [[maybe_unused]] int* exitCode) {
  restrictDllSearch();
  static Win32Platform win32;
  setPlatform(&win32);
#ifdef _WIN64
  return false;
#else
  Win32HandOverHost host;
  return handOverTo64Bit(host, program, kProgram64Pin, exitCode) == HandOver::HandedOver;
#endif
}

}  // namespace lw
