# Cross-compiles the Windows targets with MinGW-w64 for 64-bit Windows: the same sources as
# the shipped 32-bit build, for hosts whose Wine runs only 64-bit programs.
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
