// The folder a driver package is assembled in on Windows Vista and later:
// new for each package, under the Windows directory's Temp, writable only
// by Administrators and SYSTEM, so that nothing running unelevated can
// redirect or replace what is handed to Setup. Whatever it holds goes at
// teardown.
#pragma once

#include <string>
#include <vector>

#include "app/step_result.h"
#include "signing/bytes.h"

namespace lw {

// Windows Vista and later take a driver package only with a catalog; XP
// and Server 2003 take the INF alone.
bool signsDriverPackages();

class DriverPackage {
 public:
  DriverPackage() = default;
  ~DriverPackage();
  DriverPackage(const DriverPackage&) = delete;
  DriverPackage& operator=(const DriverPackage&) = delete;

  // The folder, made at the first call: null (logged) when it cannot be
  // made. The name is random and never one that already exists.
  const char* folder(const char* driverName);
  // The full name of a file in the folder; empty when it would pass 260
  // characters or there is no folder.
  std::string pathOf(const std::string& name) const;
  // Copies `name` from `directory` into the folder; logged on failure.
  StepResult copyIn(const char* directory, const std::string& name);
  // Writes a new file into the folder; logged on failure.
  StepResult write(const std::string& name, const Bytes& bytes);
  // A file the folder holds that was made outside this class (the INF).
  void adopt(const std::string& name) { files_.push_back(name); }

 private:
  std::string folder_;
  bool attempted_ = false;
  std::vector<std::string> files_;
};

}  // namespace lw
