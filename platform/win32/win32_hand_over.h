// The hand-over to the 64-bit program on real Windows.
#pragma once

#include "app/hand_over.h"

namespace lw {

class Win32HandOverHost : public HandOverHost {
 public:
  bool underWow64() override;
  bool run64BitProgram(uint32_t* exitCode, uint32_t* error) override;
  void showMissing64BitProgram() override;
};

}  // namespace lw
