// The pre-install pages' decisions, free of the window system: the loop
// between the Welcome and INF-selection pages, and the storing of the INF
// paths typed on the latter.
#pragma once

#include <cstddef>

#include "app/install_job.h"
#include "app/step_result.h"
#include "ui/page_result.h"

namespace lw {

// The INF source paths of the two updaters (SyncUpdaterIndex,
// StorageUpdaterIndex).
class InfSources {
 public:
  virtual ~InfSources() = default;
  // The current path, or null when there is none.
  virtual const char* infPath(int index) = 0;
  // Stores a copy of the path; StepFailed when refused (logged).
  virtual StepResult setInfPath(int index, const char* path) = 0;
};

class JobInfSources : public InfSources {
 public:
  explicit JobInfSources(InstallJob& job) : job_(job) {}
  const char* infPath(int index) override;
  StepResult setInfPath(int index, const char* path) override;

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
  // kMessageBoxNotShown when it could not be shown.
  virtual int showInfNotFound(int index) = 0;
};

// What MessageBoxA returns when it could not show its box.
constexpr int kMessageBoxNotShown = 0;

// A path exists when the file system knows attributes for it; null never.
bool infPathExists(const char* path);

// StepOk when the user chose to install and both INF paths exist,
// StepFailed when the run is to stop.
StepResult runPreInstall(PreInstallPages& pages, InfSources& sources);

// The two path fields of the INF-selection page, by updater index.
class InfPathFields {
 public:
  virtual ~InfPathFields() = default;
  virtual size_t textLength(int index) = 0;
  // Copies at most size - 1 characters and a NUL.
  virtual void readText(int index, char* buffer, size_t size) = 0;
};

struct InfPathsResult {
  // StepOk when both paths were stored; StepFailed when a field failed
  // validation, memory ran out or an updater refused its path (logged).
  StepResult result;
  // The message of the first field that failed validation, for the page to
  // show; nothing was stored or logged then. Null when both fields passed.
  const char* validationMessage;
};

// Validates both fields and hands their texts to the updaters.
InfPathsResult storeInfPaths(InfPathFields& fields, InfSources& sources);

// "<- Back" on the INF-selection page: the typed paths are stored when both
// pass validation, and nothing is said when they do not. Returns the
// result the page ends with.
PageResult leaveInfSelectionBack(InfPathFields& fields, InfSources& sources);

}  // namespace lw
