# 64-bit Windows programs, run by 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(TALUN_WINE_NAMES wine64 wine)
set(TALUN_WINE_PATHS "")
set(TALUN_TOOLCHAIN_PACKAGES "g++-mingw-w64-x86-64-posix and wine64")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
