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
// A Windows error as the log shows it: the signed number, the separator,
// then the system's text.
void logWindowsError(uint32_t error, const char* separator);
// A line that ends in a Windows error: the text, the error with ": ",
// then CR LF.
void logErrorLine(const char* text, uint32_t error);
// A value in brackets: the text, the value, "].\r\n".
void logBracketed(const char* text, const char* value);
void closeLog();

}  // namespace lw
