# 64-bit Windows programs, run by 64-bit Wine through its own loader (see
# wine64-loader.sh): never through the 32-bit one, which not every kernel runs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(TALUN_WINE_NAMES wine64-loader.sh)
set(TALUN_WINE_PATHS ${CMAKE_CURRENT_LIST_DIR} NO_DEFAULT_PATH)
set(TALUN_TOOLCHAIN_PACKAGES "g++-mingw-w64-x86-64-posix and wine64")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
