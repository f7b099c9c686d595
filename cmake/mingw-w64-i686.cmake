# 32-bit Windows programs, for a 32-bit driver library, run by 32-bit Wine in a
# prefix of its own (WINEARCH=win32, see CMakePresets.json). Debian's wine32
# puts the 32-bit loader in /usr/lib/wine; without it the "wine" command would
# fall back to the 64-bit one, which cannot run a win32 prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(TALUN_WINE_NAMES wine)
set(TALUN_WINE_PATHS /usr/lib/wine NO_DEFAULT_PATH)
set(TALUN_TOOLCHAIN_PACKAGES
    "g++-mingw-w64-i686-posix and wine32:i386 (after dpkg --add-architecture i386)")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
