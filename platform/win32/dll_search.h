// The first thing each program does: only System32 may supply DLLs.
#pragma once

namespace lw {

// Nothing planted beside the exe (an installer is often run from a
// Downloads folder) is loaded. Windows before 8 without its update lacks
// SetDefaultDllDirectories: there at least the current directory leaves the
// search path (SetDllDirectoryA, XP SP1).
void restrictDllSearch();

}  // namespace lw
