#include "removal/removal_run.h"

#include "app/log.h"
#include "app/run_sequence.h"
#include "app/version.h"

namespace lw {

namespace {

constexpr char kRemovalBannerTitle[] = "Beginning Tarvel Brannock Linkwright Removal\r\n";
constexpr char kRemovalAborted[] = "Removal aborted / failed.\r\n";

// A hand-over that fails ends the run with the wizard's code for it.
static_assert(static_cast<int>(RemovalExit::Stopped) == static_cast<int>(ExitCode::ExitStopped),
              "one code for a stopped run");

// The outcome line is written before the page offers to show the log.
RemovalResult removeAndLog(const Leftovers& found) {
  const RemovalResult result = removeLeftovers(found);
  logText(result == RemovalResult::Removed ? "Removal complete.\r\n" : kRemovalAborted);
  return result;
}

// The stores as the certificate manager names them.
const char* storeTitle(CertStore store) {
  return store == CertStore::Root ? "Trusted Root Certification Authorities" : "Trusted Publishers";
}

}  // namespace

std::vector<std::string> listLines(const Leftovers& found) {
  std::vector<std::string> lines;
  for (const std::string& inf : found.infs) {
    lines.push_back("Driver package " + inf.substr(inf.rfind('\\') + 1));
  }
  for (const FoundCertificate& certificate : found.certificates) {
    lines.push_back(std::string("Signing certificate in ") + storeTitle(certificate.store));
  }
  for (const std::string& value : found.flagValues) {
    lines.push_back("Generic-device setting " + value);
  }
  return lines;
}

const HandOverProgram kRemovalProgram = {"Linkwright Removal", LW_REMOVAL32_FILE, LW_REMOVAL64_FILE,
                                         kRemovalBannerTitle, kRemovalAborted};

RemovalExit runRemoval(RemovalPage& page) {
  openLog();
  writeBannerOf(kRemovalBannerTitle);
  const Leftovers found = findLeftovers();
  RemovalExit exit = RemovalExit::Done;
  if (found.empty() && found.searchComplete) {
    page.showNothingFound();
  } else if (found.empty()) {
    logText(kRemovalAborted);
    page.showOutcome(RemovalResult::Failed);
    exit = RemovalExit::Stopped;
  } else {
    bool removed = false;
    RemovalResult result = RemovalResult::Failed;
    page.offer(found, [&] {
      if (removed) return result;
      removed = true;
      result = removeAndLog(found);
      return result;
    });
    if (!removed) {
      logText("Removal cancelled.\r\n");
      exit = RemovalExit::Stopped;
    } else if (result != RemovalResult::Removed) {
      exit = RemovalExit::Stopped;
    }
  }
  closeLog();
  return exit;
}

}  // namespace lw
