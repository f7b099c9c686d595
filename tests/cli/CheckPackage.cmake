# Makes a package from a build with cpack, into WORK, and checks it.
#   KIND real:      with the placeholder image cpack must refuse and make nothing;
#                   with a real image the package holds the real driver library.
#   KIND simulator: the package holds the simulated mouse's library and scenario,
#                   is named "-simulator", and (RUN_PROGRAM) its talun-r5 updates
#                   the simulated mouse from where it was unpacked.
#   GENERATOR (optional): the CPack generator, in place of the build's default.
#   REFUSAL (optional): cpack must refuse, with a message that matches it.
# Variables: CPACK, CPACK_CONFIG, WORK, KIND, IMAGE_IS_PLACEHOLDER, WINDOWS,
# REAL_DRIVER, SIM_DRIVER, RUN_PROGRAM and EMULATOR (what runs a program of a
# cross build, e.g. wine).

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(KIND STREQUAL simulator)
  set(simulator ON)
else()
  set(simulator OFF)
endif()
if(GENERATOR)
  set(generator -G "${GENERATOR}")
endif()
execute_process(
  COMMAND "${CPACK}" --config "${CPACK_CONFIG}" -B "${WORK}" ${generator}
          -D CPACK_TALUN_SIMULATOR_PACKAGE=${simulator}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output
  TIMEOUT 600)
file(GLOB packages "${WORK}/*.zip" "${WORK}/*.tar.gz" "${WORK}/*.deb")
string(REGEX REPLACE "[ \t\r\n]+" " " flat "${output}")  # cmake wraps long messages

if(REFUSAL)
  if(result EQUAL 0 OR packages OR NOT flat MATCHES "${REFUSAL}")
    message(FATAL_ERROR "cpack should have refused (\"${REFUSAL}\") and made nothing "
                        "(${result}): ${packages}\n${output}")
  endif()
  message(STATUS "refused as it should be:\n${output}")
  return()
endif()

if(KIND STREQUAL real AND IMAGE_IS_PLACEHOLDER)
  if(result EQUAL 0 OR packages)
    message(FATAL_ERROR "cpack made a package for real mice with the placeholder image:\n"
                        "${packages}\n${output}")
  endif()
  if(NOT flat MATCHES "is the placeholder for the simulated mouse"
     OR NOT flat MATCHES "TALUN_FIRMWARE_FILE" OR NOT flat MATCHES "TALUN_SIMULATOR_PACKAGE")
    message(FATAL_ERROR "cpack refused, but without saying why and what to do:\n${output}")
  endif()
  message(STATUS "refused as it should be:\n${output}")
  return()
endif()

if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package, found: ${packages}")
endif()
get_filename_component(name "${packages}" NAME)
if(simulator AND NOT name MATCHES "-simulator\\.")
  message(FATAL_ERROR "a simulator package must say so in its name: ${name}")
endif()
if(NOT simulator AND name MATCHES "simulator")
  message(FATAL_ERROR "a package for real mice named as a simulator package: ${name}")
endif()

# Unpack and look at what is inside (one top folder, named as the package).
file(MAKE_DIRECTORY "${WORK}/unpacked")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${packages}"
                WORKING_DIRECTORY "${WORK}/unpacked" RESULT_VARIABLE unpacked)
if(NOT unpacked EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${packages}")
endif()
file(GLOB top LIST_DIRECTORIES true "${WORK}/unpacked/*")
file(GLOB_RECURSE files RELATIVE "${top}" "${top}/*")
list(SORT files)
message(STATUS "${name}:\n  ${files}")

if(WINDOWS)
  set(expected talun-r5.exe TalunR5Update.exe hiddriver.dll default.ini)
  set(real_only hiddriver.ini)
else()
  set(expected talun-r5 libhiddriver.so default.ini)
  set(real_only hiddriver.ini 70-talun-r5.rules)
endif()
set(sim_only sim-scenario.ini)
if(simulator)
  list(APPEND expected ${sim_only})
  set(unexpected ${real_only})
  set(driver "${SIM_DRIVER}")
else()
  list(APPEND expected ${real_only})
  set(unexpected ${sim_only})
  set(driver "${REAL_DRIVER}")
endif()
foreach(file ${expected})
  if(NOT file IN_LIST files)
    message(FATAL_ERROR "${name} lacks ${file}")
  endif()
endforeach()
foreach(file ${unexpected})
  if(file IN_LIST files)
    message(FATAL_ERROR "${name} must not hold ${file}")
  endif()
endforeach()
# The driver library in the package is the one it should be, not the other.
get_filename_component(driver_name "${driver}" NAME)
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${driver}" "${top}/${driver_name}"
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "${name}: ${driver_name} is not ${driver}")
endif()

if(simulator AND RUN_PROGRAM)
  # Unpacked anywhere, the program finds its driver and settings beside it.
  if(WINDOWS)
    set(program "${top}/talun-r5.exe")
  else()
    set(program "${top}/talun-r5")
  endif()
  if(NOT WINDOWS)
    # A guard of this check alone: other programs of the machine run talun-r5 meanwhile.
    set(ENV{TALUN_R5_GUARD_FILE} "${WORK}/guard.lock")
  endif()
  execute_process(COMMAND ${EMULATOR} "${program}" update
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE out TIMEOUT 300)
  if(NOT status EQUAL 0 OR NOT out MATCHES "FIRMWARE UPDATED\\.")
    message(FATAL_ERROR "the packaged talun-r5 did not update the simulated mouse (${status}):\n${out}")
  endif()
endif()
