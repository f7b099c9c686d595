# Checks that includes run one way only, downward:
#
#   protocol  <  device  <  update  <  testpanel  <  app, cli (front ends)
#
# - A file of a core layer (protocol, device, update, testpanel) includes no
#   header of a layer above its own, nor anything of app/, cli/, driver/, tests/
#   but the driver contract, driver/api/.
# - protocol/ stands on the standard library alone.
# - The core takes of platform/ only its interfaces: the headers named in
#   CORE_PLATFORM_INTERFACES below. The services themselves are handed in.
# - The core includes no system header of an operating system.
# - platform/ includes nothing of the core, the drivers or the front ends; a
#   driver includes nothing of update/, testpanel/, app/ or cli/.
# - A front end (cli/, app/) includes the core, platform/ and the driver
#   contract (driver/api/), never a driver's own headers nor the tests'.
# - production/ (the production records) stands on the same and is under the
#   front ends: it includes nothing of cli/, app/, a driver or the tests.
# - monitor/ (the station's board and figures, under cli/) stands on platform/
#   alone; nothing below the front ends includes it.
# - console/ (a console program's events and interrupts, under cli/) stands on
#   the driver contract alone; nothing below the front ends includes it.
#
#   cmake -DSOURCE_DIR=<tree> [-DEXPECT_VIOLATIONS=<n>] -P CheckLayers.cmake
#
# Fails when a rule is broken (or, with EXPECT_VIOLATIONS, when the number of
# broken rules is not exactly n) and names every offending include.
cmake_minimum_required(VERSION 3.25)

set(CORE_LAYERS protocol device update testpanel)
# EntryPoint.h: how a function that LibraryLoader resolved is called (header only).
set(CORE_PLATFORM_INTERFACES Clock.h LibraryLoader.h EntryPoint.h ProfileFile.h)
set(OS_HEADERS windows.h dlfcn.h unistd.h pthread.h fcntl.h)
set(OS_HEADER_DIRS sys linux)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "give -DSOURCE_DIR=<tree>")
endif()

set(violations "")
macro(violation file text)
  list(APPEND violations "${file}: ${text}")
endmacro()

function(check_core_include file folder target)
  string(REGEX MATCH "^[^/]+" target_folder "${target}")
  list(FIND CORE_LAYERS "${folder}" own_rank)
  list(FIND CORE_LAYERS "${target_folder}" target_rank)
  if(folder STREQUAL "protocol" AND NOT target_folder STREQUAL "protocol")
    set(text "protocol/ includes \"${target}\", but it stands on the standard library alone")
  elseif(target_rank GREATER own_rank)
    set(text "${folder}/ includes \"${target}\" of the layer above it, ${target_folder}/")
  elseif(target MATCHES "^driver/api/")
    # The contract with the driver libraries: below every layer.
  elseif(target_folder MATCHES "^(app|cli|driver|tests|monitor|console)$")
    set(text "the core includes \"${target}\" of ${target_folder}/")
  elseif(target_folder STREQUAL "platform")
    string(REGEX REPLACE "^platform/" "" header "${target}")
    if(NOT header IN_LIST CORE_PLATFORM_INTERFACES)
      string(REPLACE ";" ", " interfaces "${CORE_PLATFORM_INTERFACES}")
      set(text "the core includes \"${target}\", but of platform/ it takes only ${interfaces}")
    endif()
  endif()
  if(text)
    set(violations "${violations};${file}: ${text}" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}"
     "${SOURCE_DIR}/protocol/*" "${SOURCE_DIR}/device/*" "${SOURCE_DIR}/update/*"
     "${SOURCE_DIR}/testpanel/*" "${SOURCE_DIR}/platform/*" "${SOURCE_DIR}/driver/*"
     "${SOURCE_DIR}/cli/*" "${SOURCE_DIR}/app/*" "${SOURCE_DIR}/production/*"
     "${SOURCE_DIR}/monitor/*" "${SOURCE_DIR}/console/*")
list(FILTER files INCLUDE REGEX "\\.(h|hpp|c|cpp|in)$")
list(LENGTH files file_count)

foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(target "${CMAKE_MATCH_1}")
      string(REGEX MATCH "^[^/]+" target_folder "${target}")
      if(folder IN_LIST CORE_LAYERS)
        check_core_include("${file}" "${folder}" "${target}")
      elseif(folder STREQUAL "platform" AND NOT target_folder STREQUAL "platform"
             AND target MATCHES "/")
        violation("${file}" "platform/ includes \"${target}\", but it stands below everything")
      elseif(folder MATCHES "^(cli|app)$" AND target_folder MATCHES "^(driver|tests)$"
             AND NOT target MATCHES "^driver/api/")
        violation("${file}" "the front end ${folder}/ includes \"${target}\": of driver/ it takes only the contract, driver/api/")
      elseif(folder STREQUAL "production" AND target_folder MATCHES "^(cli|app|driver|tests|monitor|console)$"
             AND NOT target MATCHES "^driver/api/")
        violation("${file}" "production/ includes \"${target}\" of ${target_folder}/, which stands above it or beside it")
      elseif(folder STREQUAL "driver" AND target_folder MATCHES "^(update|testpanel|app|cli|monitor|console)$")
        violation("${file}" "a driver includes \"${target}\" of ${target_folder}/")
      elseif(folder STREQUAL "monitor" AND target MATCHES "/"
             AND NOT target_folder MATCHES "^(monitor|platform)$")
        violation("${file}" "monitor/ includes \"${target}\", but it stands on platform/ alone")
      elseif(folder STREQUAL "console" AND target MATCHES "/"
             AND NOT target_folder STREQUAL "console" AND NOT target MATCHES "^driver/api/")
        violation("${file}" "console/ includes \"${target}\", but it stands on the driver contract alone")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>" AND folder IN_LIST CORE_LAYERS)
      set(target "${CMAKE_MATCH_1}")
      string(TOLOWER "${target}" lower)
      string(REGEX MATCH "^[^/]+" target_dir "${lower}")
      if(lower IN_LIST OS_HEADERS OR (lower MATCHES "/" AND target_dir IN_LIST OS_HEADER_DIRS))
        violation("${file}" "the core includes the system header <${target}>")
      endif()
    endif()
  endforeach()
endforeach()

list(FILTER violations EXCLUDE REGEX "^$")
list(LENGTH violations count)
foreach(v IN LISTS violations)
  message(STATUS "layers: ${v}")
endforeach()
if(DEFINED EXPECT_VIOLATIONS)
  if(NOT count EQUAL EXPECT_VIOLATIONS)
    message(FATAL_ERROR "layers: ${count} broken rules in ${SOURCE_DIR}, expected ${EXPECT_VIOLATIONS}")
  endif()
  message(STATUS "layers: the ${count} planted includes were caught")
elseif(count GREATER 0)
  message(FATAL_ERROR "layers: ${count} includes run the wrong way (${file_count} files checked)")
else()
  message(STATUS "layers: ${file_count} files checked, every include runs downward")
endif()
