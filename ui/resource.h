/* Shared by the resource script and the code: resource and control ids,
   the version and the build code. Plain defines, so windres can read it. */
#ifndef LINKWRIGHT_RESOURCE_H
#define LINKWRIGHT_RESOURCE_H

#define LW_BUILD_CODE "D305k"
#define LW_VERSION_BINARY 3, 0, 1, 1
#define LW_VERSION_TEXT "3.0.1.1"

/* The two programs: the 32-bit one every user starts, and the 64-bit one
   it hands over to on 64-bit Windows. */
#define LW_PROGRAM32_FILE "Linkwright.exe"
#define LW_PROGRAM64_FILE "Linkwright64.exe"
#ifdef _WIN64
#define LW_PROGRAM_FILE LW_PROGRAM64_FILE
#else
#define LW_PROGRAM_FILE LW_PROGRAM32_FILE
#endif

#define IDD_WELCOME 100
#define IDD_INF_SELECTION 110
#define IDD_PROGRESS 200
#define IDD_FINISH 300
#define IDB_BANNER 2000
#define IDI_LINKWRIGHT 3000
#define IDS_GENERIC_DEVICE_TIP 4000

#define IDC_BACK 1000
#define IDC_INSTALL 1001
#define IDC_CANCEL 1002
#define IDC_BUILD_CODE 1009
#define IDC_GENERIC_DEVICE 1011
#define IDC_SYNC_INF_PATH 1100
#define IDC_SYNC_INF_BROWSE 1101
#define IDC_STORAGE_INF_PATH 1102
#define IDC_STORAGE_INF_BROWSE 1103
#define IDC_RESULT_TEXT 3001
#define IDC_VIEW_LOG 3002
#define IDC_EXIT 3003

#endif
