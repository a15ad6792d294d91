// The hand-over to the 64-bit program on real Windows.
#pragma once

#include "app/hand_over.h"

namespace lw {

class Win32HandOverHost : public HandOverHost {
 public:
  bool underWow64() override;
  uint32_t program64Path(char (&path)[kHandOverPathSize]) override;
  ChildRun run(const char* path, uint32_t* exitCode, uint32_t* error) override;
  void showFailure(HandOverFailure why) override;
};

}  // namespace lw
