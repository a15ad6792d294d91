# 64-bit Windows: Linkwright64.exe, Windows XP x64 and later.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
