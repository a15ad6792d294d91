#include "app/log.h"

#include <cstdio>
#include <cstring>

#include "app/process_state.h"
#include "platform/platform.h"

namespace lw {

namespace {

constexpr uint32_t kPathBufferSize = 262;
constexpr char kLogFileName[] = "LinkwrightLog.txt";

}  // namespace

const char* logFilePath() {
  char*& cachedPath = processState().logPath;
  if (cachedPath) return cachedPath;
  char* path = static_cast<char*>(platform().allocate(kPathBufferSize));
  if (!path) return nullptr;
  uint32_t length = platform().currentDirectory(path, kPathBufferSize);
  // A directory too long for the buffer leaves the bare name, which names
  // the same file relative to the current directory.
  if (length == 0 || length + 1 + sizeof kLogFileName > kPathBufferSize) {
    std::memcpy(path, kLogFileName, sizeof kLogFileName);
  } else {
    path[length] = '\\';
    std::memcpy(path + length + 1, kLogFileName, sizeof kLogFileName);
  }
  cachedPath = path;
  return cachedPath;
}

// The log is opened elevated, in a folder the user may write: a link
// planted under its name could make the program write a file of someone
// else's choosing. A log reached through a link is not written at all.
void openLog() {
  const char* path = logFilePath();
  FileHandle& logFile = processState().logFile;
  if (!path || logFile) return;
  logFile = platform().openAppend(path);
  if (logFile && platform().isLinked(logFile)) {
    platform().closeFile(logFile);
    logFile = nullptr;
  }
}

void logText(const char* text) {
  const FileHandle logFile = processState().logFile;
  if (text && logFile) platform().writeFile(logFile, text, std::strlen(text));
}

void logNumber(int32_t value) {
  char digits[12];
  std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(value));
  logText(digits);
}

void logSystemError(uint32_t code) {
  if (!processState().logFile) return;
  char* text = platform().systemMessage(code);
  if (!text) return;
  logText(text);
  platform().freeSystemMessage(text);
}

void closeLog() {
  ProcessState& state = processState();
  if (state.logFile) platform().closeFile(state.logFile);
  state.logFile = nullptr;
  platform().release(state.logPath);
  state.logPath = nullptr;
}

}  // namespace lw
