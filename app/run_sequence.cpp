#include "app/run_sequence.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/log.h"
#include "platform/platform.h"
#include "app/version.h"

namespace lw {

namespace {

constexpr char kBannerRule[] = "----------------------------------\r\n";
constexpr char kInstallBannerTitle[] = "Beginning Tarvel Brannock Linkwright\r\n";
constexpr char kInstallAborted[] = "Install aborted / failed.\r\n";

void destroyProcessUpdaters() { processJob().destroyUpdaters(); }

}  // namespace

const HandOverProgram kWizardProgram = {"Linkwright", LW_PROGRAM32_FILE, LW_PROGRAM64_FILE,
                                        kInstallBannerTitle, kInstallAborted};

void writeBanner() { writeBannerOf(kInstallBannerTitle); }

void writeBannerOf(const char* title) {
  logText(kBannerRule);
  logText(title);
  logText(kBannerRule);
  std::tm now{};
  char time[32];
  formatBannerTime(platform().localTime(&now) ? &now : nullptr, time);
  logText("*** ");
  logText(time);
  logText("*** Build: ");
  logText(LW_BUILD_CODE);
  logText("\r\n");
}

ExitCode stopRun() { return stopRunWith(kInstallAborted); }

ExitCode stopRunWith(const char* abortedLine) {
  logText(abortedLine);
  closeLog();
  return ExitCode::ExitStopped;
}

void formatBannerTime(const std::tm* when, char (&text)[32]) {
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const bool valid = when && when->tm_wday >= 0 && when->tm_wday < 7 && when->tm_mon >= 0 &&
                     when->tm_mon < 12 && when->tm_mday >= 1 && when->tm_mday <= 31 &&
                     when->tm_hour >= 0 && when->tm_hour < 24 && when->tm_min >= 0 &&
                     when->tm_min < 60 && when->tm_sec >= 0 && when->tm_sec <= 60 &&
                     when->tm_year >= -1900 && when->tm_year <= 9999 - 1900;
  if (!valid) {
    std::memcpy(text, "unknown time\n", sizeof "unknown time\n");
    return;
  }
  std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d\n", kDays[when->tm_wday],
                kMonths[when->tm_mon], when->tm_mday, when->tm_hour, when->tm_min, when->tm_sec,
                when->tm_year + 1900);
}

InstallJob& processJob() {
  static InstallJob job;
  return job;
}

ExitCode runSequence(WizardStages& stages) {
  openLog();
  writeBanner();
  InstallJob& job = processJob();
  std::atexit(destroyProcessUpdaters);
  if (job.createUpdaters() != StepResult::StepOk) return stopRun();
  if (stages.preInstall(job) != StepResult::StepOk) return stopRun();
  // An install step that could not finish its work is a failed install:
  // the finish page must not report success for it.
  if (stages.installStep(job) != StepResult::StepOk) job.markFailed();
  stages.finishPage(job);
  closeLog();
  return ExitCode::ExitCompleted;
}

}  // namespace lw
