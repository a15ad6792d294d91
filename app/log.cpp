#include "app/log.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace lw {

namespace {

constexpr uint32_t kPathBufferSize = 262;
constexpr char kLogFileName[] = "LinkwrightLog.txt";

char* cachedPath = nullptr;
FileHandle logFile = nullptr;

}  // namespace

const char* logFilePath() {
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

void openLog() {
  const char* path = logFilePath();
  if (path && !logFile) logFile = platform().openAppend(path);
}

void logText(const char* text) {
  if (text && logFile) platform().writeFile(logFile, text, std::strlen(text));
}

void logNumber(int32_t value) {
  char digits[12];
  std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(value));
  logText(digits);
}

void logSystemError(uint32_t code) {
  if (!logFile) return;
  char* text = platform().systemMessage(code);
  if (!text) return;
  logText(text);
  platform().freeSystemMessage(text);
}

void closeLog() {
  if (logFile) platform().closeFile(logFile);
  logFile = nullptr;
  platform().release(cachedPath);
  cachedPath = nullptr;
}

}  // namespace lw
