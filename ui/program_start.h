// What both programs do first on Windows.
#pragma once

#include "app/hand_over.h"

namespace lw {

// Only System32 supplies DLLs from here on, the real Windows becomes the
// platform, and a 32-bit program on 64-bit Windows hands its run to its
// twin. True when the run is over that way: `*exitCode` is then the
// process's.
bool runElsewhere(const HandOverProgram& program, int* exitCode);

}  // namespace lw
