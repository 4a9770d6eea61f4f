# Cross-compiles the Windows targets with MinGW-w64 for 32-bit Windows: the shipped build.
set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
