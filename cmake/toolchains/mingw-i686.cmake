# Windows 32-bit x86 with mingw-w64 (Debian's g++-mingw-w64-i686-posix): the
# build stations need beside 32-bit vendor libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TAVRIN_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
