// A kernel32 function looked up at run time, for what is newer than the
// oldest Windows the programs run on; null where this Windows lacks it.
#pragma once

#include <windows.h>

namespace lw {

template <typename Function>
Function kernelFunction(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)))
                : nullptr;
}

}  // namespace lw
