/* The program's version, build code and file names: read by the code, the
   resource script and the scripts (scripts/resource-value.sh). Plain
   defines, so windres can read it. */
#ifndef LINKWRIGHT_VERSION_H
#define LINKWRIGHT_VERSION_H

#define LW_BUILD_CODE "D305k"
#define LW_VERSION_BINARY 3, 0, 1, 1
#define LW_VERSION_TEXT "3.0.1.1"

/* The wizard: the 32-bit program every user starts, and the 64-bit one it
   hands over to on 64-bit Windows. */
#define LW_PROGRAM32_FILE "Linkwright.exe"
#define LW_PROGRAM64_FILE "Linkwright64.exe"
/* The removal program and its 64-bit twin. */
#define LW_REMOVAL32_FILE "LinkwrightRemove.exe"
#define LW_REMOVAL64_FILE "LinkwrightRemove64.exe"
#ifdef _WIN64
#define LW_PROGRAM_FILE LW_PROGRAM64_FILE
#define LW_REMOVAL_FILE LW_REMOVAL64_FILE
#else
#define LW_PROGRAM_FILE LW_PROGRAM32_FILE
#define LW_REMOVAL_FILE LW_REMOVAL32_FILE
#endif

#endif
