#include "platform/platform.h"

namespace lw {

namespace {
Platform* activePlatform = nullptr;
}

Platform& platform() { return *activePlatform; }

void setPlatform(Platform* active) { activePlatform = active; }

}  // namespace lw
