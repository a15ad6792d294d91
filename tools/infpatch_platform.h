// The platform the tool runs on: the real Windows in the Windows build, the
// simulated one (with host paths) in the native build.
#pragma once

namespace lw {
void installToolPlatform();
}
