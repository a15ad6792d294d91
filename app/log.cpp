#include "app/log.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace lw {

namespace {

constexpr uint32_t kPathBufferSize = 262;
constexpr char kLogFileName[] = "LinkwrightLog.txt";

// The log's path once worked out, and the log while it is open.
struct LogState {
  char* path = nullptr;
  FileHandle file = nullptr;
};

LogState& logState() {
  static LogState state;
  return state;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.index == b.index;
}

// The log is opened elevated, in a folder the user may write: a link
// planted under its name could make the program write a file of someone
// else's choosing. So the name is opened itself, and a link (a symbolic
// link, junction or mount point) or a file with a second name is not
// written at all. Any other reparse point is the log itself, kept by a
// cloud sync or deduplicated; a handle to the reparse point bypasses the
// filter that shows its data, so it is reopened as programs see it and
// written only when that is still the same file.
FileHandle openUnlinked(const char* path) {
  FileHandle named = platform().openAppend(path);
  FileIdentity identity;
  if (!named) return nullptr;
  if (!platform().identifyFile(named, &identity) || identity.links > 1 ||
      (identity.reparseTag & kReparseTagNameSurrogate)) {
    platform().closeFile(named);
    return nullptr;
  }
  if (identity.reparseTag == 0) return named;
  FileHandle shown = platform().openAppendThrough(path);
  FileIdentity shownIdentity;
  platform().closeFile(named);
  if (shown && platform().identifyFile(shown, &shownIdentity) &&
      sameFile(identity, shownIdentity) && shownIdentity.links == 1) {
    return shown;
  }
  if (shown) platform().closeFile(shown);
  return nullptr;
}

}  // namespace

const char* logFilePath() {
  char*& cachedPath = logState().path;
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
  FileHandle& logFile = logState().file;
  if (!path || logFile) return;
  logFile = openUnlinked(path);
}

bool logIsOpen() { return logState().file != nullptr; }

void logText(const char* text) {
  const FileHandle logFile = logState().file;
  if (text && logFile) platform().writeFile(logFile, text, std::strlen(text));
}

void logNumber(int32_t value) {
  char digits[12];
  std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(value));
  logText(digits);
}

void logSystemError(uint32_t code) {
  if (!logIsOpen()) return;
  char* text = platform().systemMessage(code);
  if (!text) return;
  logText(text);
  platform().freeSystemMessage(text);
}

void logWindowsError(uint32_t error, const char* separator) {
  logNumber(static_cast<int32_t>(error));
  logText(separator);
  logSystemError(error);
}

void logErrorLine(const char* text, uint32_t error) {
  logText(text);
  logWindowsError(error, ": ");
  logText("\r\n");
}

void logBracketed(const char* text, const char* value) {
  logText(text);
  logText(value);
  logText("].\r\n");
}

void closeLog() {
  LogState& state = logState();
  if (state.file) platform().closeFile(state.file);
  state.file = nullptr;
  platform().release(state.path);
  state.path = nullptr;
}

}  // namespace lw
