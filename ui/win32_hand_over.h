// The hand-over to the 64-bit program on real Windows.
#pragma once

#include "app/hand_over.h"

namespace lw {

class Win32HandOverHost : public HandOverHost {
 public:
  bool underWow64() override;
  uint32_t pathBesideProgram(const char* file, char (&path)[kHandOverPathSize]) override;
  ChildRun run(const char* path, uint32_t* exitCode, uint32_t* error) override;
  void showFailure(const HandOverProgram& program, HandOverFailure why) override;
};

}  // namespace lw
