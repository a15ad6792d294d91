// The installation log: LinkwrightLog.txt in the current directory, to which
// every run appends. Writers never fail visibly; while the log is not open
// they write nothing.
#pragma once

#include <cstdint>

namespace lw {

// The log's full path, worked out once; null when no memory was had.
const char* logFilePath();
void openLog();
bool logIsOpen();
void logText(const char* text);
void logNumber(int32_t value);
void logSystemError(uint32_t code);
void closeLog();

}  // namespace lw
