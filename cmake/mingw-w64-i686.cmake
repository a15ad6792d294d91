# 32-bit Windows: Linkwright.exe, Windows XP SP2 and later.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
