#include "platform/win32/win32_platform.h"
#include "tools/infpatch_platform.h"

namespace lw {

void installToolPlatform() {
  static Win32Platform win32;
  setPlatform(&win32);
}

}  // namespace lw
