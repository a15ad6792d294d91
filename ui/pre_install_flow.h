// The pre-install pages' decisions, free of the window system: the loop
// between the Welcome and INF-selection pages, and the storing of the INF
// paths typed on the latter.
#pragma once

#include <cstddef>

#include "app/install_job.h"

namespace lw {

// The INF source paths of the two updaters (SyncUpdaterIndex,
// StorageUpdaterIndex).
class InfSources {
 public:
  virtual ~InfSources() = default;
  // The current path, or null when there is none.
  virtual const char* infPath(int index) = 0;
  // Stores a copy of the path: 0, or non-zero when refused (logged).
  virtual int setInfPath(int index, const char* path) = 0;
};

class JobInfSources : public InfSources {
 public:
  explicit JobInfSources(InstallJob& job) : job_(job) {}
  const char* infPath(int index) override;
  int setInfPath(int index, const char* path) override;

 private:
  InstallJob& job_;
};

// The pages the loop shows; each returns the page's result (a PageResult,
// or 1 or below when the page could not be shown).
class PreInstallPages {
 public:
  virtual ~PreInstallPages() = default;
  virtual int showWelcome() = 0;
  virtual int showInfSelection() = 0;
  // The box saying that the updater's INF file was not found: its result,
  // 0 when it could not be shown.
  virtual int showInfNotFound(int index) = 0;
};

// A path exists when the file system knows attributes for it; null never.
bool infPathExists(const char* path);

// Returns 0 when the user chose to install and both INF paths exist, 1 when
// the run is to stop.
int runPreInstall(PreInstallPages& pages, InfSources& sources);

// The two path fields of the INF-selection page, by updater index.
class InfPathFields {
 public:
  virtual ~InfPathFields() = default;
  virtual size_t textLength(int index) = 0;
  // Copies at most size - 1 characters and a NUL.
  virtual void readText(int index, char* buffer, size_t size) = 0;
};

// Validates both fields and hands their texts to the updaters. 0 when both
// were stored; 1 when memory ran out or an updater refused its path. A field
// that fails validation throws its message (const char*) and nothing is
// stored.
int storeInfPaths(InfPathFields& fields, InfSources& sources);

}  // namespace lw
