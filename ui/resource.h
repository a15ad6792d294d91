/* Shared by the resource script, the pages and the scripts: resource and
   control ids. Plain defines, so windres can read it. */
#ifndef LINKWRIGHT_RESOURCE_H
#define LINKWRIGHT_RESOURCE_H

#include "app/version.h"

#define IDD_WELCOME 100
#define IDD_INF_SELECTION 110
#define IDD_PROGRESS 200
#define IDD_FINISH 300
#define IDD_REMOVAL 400
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
#define IDC_REMOVE 4001
#define IDC_REMOVAL_TEXT 4002
#define IDC_REMOVAL_LIST 4003
#define IDC_REMOVAL_NOTE 4004

#endif
