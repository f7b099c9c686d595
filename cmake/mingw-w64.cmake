# Cross-compiling the Windows programs with MinGW-w64 (posix threads); Wine runs
# the results, tests included. Included by the toolchain file of each processor,
# which sets TOOLCHAIN_PREFIX, CMAKE_SYSTEM_PROCESSOR, TALUN_WINE_NAMES (the Wine
# loader that runs its programs) and TALUN_TOOLCHAIN_PACKAGES (what to install).
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
find_program(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
find_program(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
find_program(TALUN_WINE NAMES ${TALUN_WINE_NAMES} PATHS ${TALUN_WINE_PATHS})
foreach(tool CMAKE_C_COMPILER CMAKE_CXX_COMPILER CMAKE_RC_COMPILER TALUN_WINE)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool} not found: install ${TALUN_TOOLCHAIN_PACKAGES}")
  endif()
endforeach()
set(CMAKE_CROSSCOMPILING_EMULATOR ${TALUN_WINE})

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
