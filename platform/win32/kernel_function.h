// A function of a system DLL looked up at run time, for what is newer than
// the oldest Windows the programs run on, or what no import library offers;
// null where this Windows lacks it.
#pragma once

#include <windows.h>

namespace lw {

// `module` must already be loaded (kernel32 and ntdll always are).
template <typename Function>
Function systemFunction(const char* module, const char* name) {
  HMODULE loaded = GetModuleHandleA(module);
  return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)))
                : nullptr;
}

template <typename Function>
Function kernelFunction(const char* name) {
  return systemFunction<Function>("kernel32.dll", name);
}

}  // namespace lw
