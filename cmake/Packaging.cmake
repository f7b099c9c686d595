# Packages for operators, made with CPack (`cpack` in the build folder, or the
# `package` target): a zip on Windows (-windows-x64 or, from the 32-bit build,
# -windows-x86), a tarball on Linux, and on Linux a Debian
# package as well (`cpack -G DEB`).
#
#   Windows zip: TalunR5Update.exe, talun-r5.exe, hiddriver.dll, hiddriver.ini,
#                default.ini, README.md, driver/README.md
#   Linux tarball: talun-r5, libhiddriver.so, 70-talun-r5.rules, hiddriver.ini,
#                default.ini, README.md, driver/README.md
#                (the system provides libhidapi-hidraw0, libudev1 and, for
#                talun-r5's SHA-256, libssl3's libcrypto.so.3; the Windows
#                programs use the system's bcrypt.dll)
#   Debian package (cmake/InstalledLayout.cmake): /usr/bin/talun-r5,
#                /usr/lib/talun-r5/libhiddriver.so, /etc/talun-r5/hiddriver.ini
#                and default.ini (configuration files), the udev rule in
#                /usr/lib/udev/rules.d, the documents in /usr/share/doc/talun-r5,
#                the manual page talun-r5(1), the bash completion, and the
#                station's systemd unit talun-r5.service (not enabled)
#
# A package for real mice carries the real HID driver library and needs the real
# firmware image (TALUN_FIRMWARE_FILE): packaging with the placeholder image
# stops with a message. TALUN_SIMULATOR_PACKAGE=ON makes a package with the
# simulated mouse's driver library and scenario instead, named "-simulator".
# The choice can also be made when packaging: cpack -D CPACK_TALUN_SIMULATOR_PACKAGE=ON.
#
# Everything that goes into a package is listed here, in install components: the
# programs, the real driver and the simulated one for the archives, and the
# Debian package's own. Install rules elsewhere are not packaged.

option(TALUN_SIMULATOR_PACKAGE
       "Package the simulated mouse's driver library in place of the real one (demonstrations only)"
       OFF)

# The placeholder image starts with this text (firmware/make-placeholder.py).
# Compared as hexadecimal: file(READ) of text may add a character at the limit.
string(HEX "TALUN-R5 PLACEHOLDER FIRMWARE" _talun_mark_hex)
string(LENGTH "${_talun_mark_hex}" _talun_mark_hex_length)
math(EXPR _talun_mark_length "${_talun_mark_hex_length} / 2")
file(READ "${TALUN_FIRMWARE_FILE}" _talun_image_head LIMIT ${_talun_mark_length} HEX)
string(TOLOWER "${_talun_mark_hex}" _talun_mark_hex)
if(_talun_image_head STREQUAL _talun_mark_hex)
  set(_talun_image_is_placeholder ON)
else()
  set(_talun_image_is_placeholder OFF)
endif()

if(WIN32)
  set(_talun_real_driver hiddriver_win32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_talun_system windows-x86)  # for a 32-bit driver library
  else()
    set(_talun_system windows-x64)
  endif()
  set(_talun_generator ZIP)
else()
  set(_talun_real_driver hiddriver_linux)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" _talun_system)
  set(_talun_generator TGZ)
endif()

# The programs, the settings file and the documents.
set(_talun_programs TalunR5Programs)
if(TARGET TalunR5Update)
  install(PROGRAMS $<TARGET_FILE:TalunR5Update> DESTINATION . COMPONENT ${_talun_programs}
          EXCLUDE_FROM_ALL)
endif()
if(TARGET talun-r5)
  install(PROGRAMS $<TARGET_FILE:talun-r5> DESTINATION . COMPONENT ${_talun_programs}
          EXCLUDE_FROM_ALL)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/dist/default.ini DESTINATION . COMPONENT ${_talun_programs}
        EXCLUDE_FROM_ALL)
foreach(document README.md driver/README.md)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${document})
    get_filename_component(_talun_document_dir ${document} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${document} DESTINATION ./${_talun_document_dir}
            COMPONENT ${_talun_programs} EXCLUDE_FROM_ALL)
  endif()
endforeach()

# The real HID driver library, its ini file with the identifiers to fill in and,
# on Linux, the udev rule.
set(_talun_real TalunR5RealDriver)
if(TARGET ${_talun_real_driver})
  install(FILES $<TARGET_FILE:${_talun_real_driver}> DESTINATION . COMPONENT ${_talun_real}
          EXCLUDE_FROM_ALL)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/driver/common/hiddriver.ini DESTINATION .
        COMPONENT ${_talun_real} EXCLUDE_FROM_ALL)
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/driver/linux/70-talun-r5.rules DESTINATION .
          COMPONENT ${_talun_real} EXCLUDE_FROM_ALL)
endif()

# The simulated mouse: its library and the scenario it reads beside itself.
set(_talun_sim TalunR5SimulatedDriver)
if(TARGET hiddriver_sim)
  install(FILES $<TARGET_FILE:hiddriver_sim> ${PROJECT_SOURCE_DIR}/driver/sim/sim-scenario.ini
          DESTINATION . COMPONENT ${_talun_sim} EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/driver/sim/README.md DESTINATION ./driver/sim
          COMPONENT ${_talun_sim} EXCLUDE_FROM_ALL)
endif()

# The Debian package: the real driver and the programs in the system's folders.
# The library reads hiddriver.ini beside itself; there a link leads to the
# configuration file in /etc.
set(_talun_debian TalunR5Debian)
set(_talun_debian_problem "")
if(NOT WIN32)
  string(REGEX REPLACE "^/" "" _talun_deb_bin "${TALUN_INSTALLED_PROGRAM_DIR}")
  string(REGEX REPLACE "^/" "" _talun_deb_lib "${TALUN_INSTALLED_LIBRARY_DIR}")
  string(REGEX REPLACE "^/" "" _talun_deb_etc "${TALUN_INSTALLED_CONFIG_DIR}")
  string(REGEX REPLACE "^/" "" _talun_deb_udev "${TALUN_INSTALLED_UDEV_RULES_DIR}")
  string(REGEX REPLACE "^/" "" _talun_deb_doc "${TALUN_INSTALLED_DOC_DIR}")
  if(TARGET talun-r5)
    install(TARGETS talun-r5 RUNTIME DESTINATION ${_talun_deb_bin} COMPONENT ${_talun_debian}
            EXCLUDE_FROM_ALL)
  endif()
  if(TARGET ${_talun_real_driver})
    install(TARGETS ${_talun_real_driver} LIBRARY DESTINATION ${_talun_deb_lib}
            COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/driver/common/hiddriver.ini
          ${PROJECT_SOURCE_DIR}/dist/default.ini
          DESTINATION ${_talun_deb_etc} COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  install(CODE "set(_link_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${_talun_deb_lib}\")
    file(MAKE_DIRECTORY \"\${_link_dir}\")
    file(CREATE_LINK ${TALUN_INSTALLED_CONFIG_DIR}/hiddriver.ini \"\${_link_dir}/hiddriver.ini\"
         SYMBOLIC)"
          COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/driver/linux/70-talun-r5.rules DESTINATION ${_talun_deb_udev}
          COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/dist/debian/copyright
          DESTINATION ${_talun_deb_doc} COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/driver/README.md DESTINATION ${_talun_deb_doc}/driver
          COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/debian/talun-r5.service
          DESTINATION usr/lib/systemd/system COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  # Made from talun-r5's --help (cli/CMakeLists.txt).
  if(TARGET talun_r5_manual)
    install(FILES ${TALUN_MANUAL_PAGE} DESTINATION usr/share/man/man1
            COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
    install(FILES ${TALUN_BASH_COMPLETION} DESTINATION usr/share/bash-completion/completions
            COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  else()
    set(_talun_debian_problem "this build has no manual page (target talun_r5_manual)")
  endif()

  # Debian wants the changelog compressed, without a time stamp, and the
  # newest entry must be this version.
  set(_talun_deb_dir ${CMAKE_BINARY_DIR}/debian)
  file(MAKE_DIRECTORY ${_talun_deb_dir})
  set(_talun_changelog ${PROJECT_SOURCE_DIR}/dist/debian/changelog)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_talun_changelog})
  file(STRINGS ${_talun_changelog} _talun_changelog_head LIMIT_COUNT 1)
  if(NOT _talun_changelog_head MATCHES "^talun-r5 \\(${PROJECT_VERSION}\\) ")
    set(_talun_debian_problem "the newest entry of dist/debian/changelog is not for version "
                              "${PROJECT_VERSION}: add one")
  endif()
  find_program(TALUN_GZIP gzip)
  if(TALUN_GZIP)
    execute_process(COMMAND ${TALUN_GZIP} -9nc ${_talun_changelog}
                    OUTPUT_FILE ${_talun_deb_dir}/changelog.gz)
    install(FILES ${_talun_deb_dir}/changelog.gz DESTINATION ${_talun_deb_doc}
            COMPONENT ${_talun_debian} EXCLUDE_FROM_ALL)
  else()
    set(_talun_debian_problem "gzip is missing")
  endif()
  file(WRITE ${_talun_deb_dir}/conffiles
       "${TALUN_INSTALLED_CONFIG_DIR}/default.ini\n${TALUN_INSTALLED_CONFIG_DIR}/hiddriver.ini\n")
else()
  set(_talun_debian_problem "a Windows build has no Debian package")
endif()

# What cpack needs to decide, when it runs, which package it may make.
set(CPACK_TALUN_SIMULATOR_PACKAGE ${TALUN_SIMULATOR_PACKAGE})
set(CPACK_TALUN_IMAGE_IS_PLACEHOLDER ${_talun_image_is_placeholder})
set(CPACK_TALUN_FIRMWARE_FILE "${TALUN_FIRMWARE_FILE}")
set(CPACK_TALUN_PROGRAMS_PROJECT "${CMAKE_BINARY_DIR};${PROJECT_NAME};${_talun_programs};/")
set(CPACK_TALUN_REAL_PROJECT "${CMAKE_BINARY_DIR};${PROJECT_NAME};${_talun_real};/")
set(CPACK_TALUN_SIM_PROJECT "${CMAKE_BINARY_DIR};${PROJECT_NAME};${_talun_sim};/")
set(CPACK_TALUN_DEBIAN_PROJECT "${CMAKE_BINARY_DIR};${PROJECT_NAME};${_talun_debian};/")
set(CPACK_TALUN_DEBIAN_PROBLEM "${_talun_debian_problem}")
set(CPACK_TALUN_MISSING "")
if(NOT TARGET talun-r5)
  list(APPEND CPACK_TALUN_MISSING "the command line (target talun-r5)")
endif()
if(WIN32 AND NOT TARGET TalunR5Update)
  list(APPEND CPACK_TALUN_MISSING "the window program (target TalunR5Update)")
endif()
if(TARGET ${_talun_real_driver})
  set(CPACK_TALUN_REAL_DRIVER_BUILT ON)
else()
  set(CPACK_TALUN_REAL_DRIVER_BUILT OFF)
endif()
if(TARGET hiddriver_sim)
  set(CPACK_TALUN_SIM_DRIVER_BUILT ON)
else()
  set(CPACK_TALUN_SIM_DRIVER_BUILT OFF)
endif()
set(CPACK_TALUN_REAL_DRIVER_TARGET ${_talun_real_driver})

# Read by cpack before it packages: which driver goes into the package, and
# whether a package may be made at all. Never one for real mice with the
# placeholder firmware image.
file(WRITE ${CMAKE_BINARY_DIR}/TalunPackagingChoice.cmake [==[
# Written by cmake/Packaging.cmake; read by cpack (CPACK_PROJECT_CONFIG_FILE).
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_TALUN_SIMULATOR_PACKAGE)
  message(FATAL_ERROR "No Debian package of the simulated mouse: the Debian package is for "
                      "real mice. Make the simulator's tarball instead (cpack -G TGZ).")
endif()
if(CPACK_TALUN_SIMULATOR_PACKAGE)
  if(NOT CPACK_TALUN_SIM_DRIVER_BUILT)
    message(FATAL_ERROR "A simulator package needs the simulated mouse's driver library "
                        "(target hiddriver_sim), which this build does not have.")
  endif()
  set(CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_TALUN_PROGRAMS_PROJECT} ${CPACK_TALUN_SIM_PROJECT})
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_TALUN_FILE_NAME}-simulator")
else()
  if(CPACK_TALUN_IMAGE_IS_PLACEHOLDER)
    message(FATAL_ERROR
      "No package for real mice: the firmware image built into the programs "
      "(${CPACK_TALUN_FIRMWARE_FILE}) is the placeholder for the simulated mouse.
"
      "For real mice, configure with the real image, -DTALUN_FIRMWARE_FILE=<file of 3068 bytes>, "
      "build, and package again.
"
      "For a package with the simulated mouse instead, configure with "
      "-DTALUN_SIMULATOR_PACKAGE=ON (or run cpack -D CPACK_TALUN_SIMULATOR_PACKAGE=ON).")
  endif()
  if(NOT CPACK_TALUN_REAL_DRIVER_BUILT)
    message(FATAL_ERROR "No package for real mice: this build has no HID driver library "
                        "(target ${CPACK_TALUN_REAL_DRIVER_TARGET}).")
  endif()
  set(CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_TALUN_PROGRAMS_PROJECT} ${CPACK_TALUN_REAL_PROJECT})
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_TALUN_FILE_NAME}")
endif()
if(CPACK_TALUN_MISSING)
  string(REPLACE ";" ", " _talun_missing "${CPACK_TALUN_MISSING}")
  message(FATAL_ERROR "No package: this build lacks ${_talun_missing}.")
endif()
if(CPACK_GENERATOR STREQUAL "DEB")
  if(CPACK_TALUN_DEBIAN_PROBLEM)
    message(FATAL_ERROR "No Debian package: ${CPACK_TALUN_DEBIAN_PROBLEM}.")
  endif()
  set(CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_TALUN_DEBIAN_PROJECT})
  set(CPACK_PACKAGING_INSTALL_PREFIX /)
  set(CPACK_STRIP_FILES ON)
endif()
]==])

set(CPACK_PACKAGE_NAME talun-r5)
set(CPACK_PACKAGE_VENDOR "Talun")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Talun R5 firmware update tool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_TALUN_FILE_NAME "talun-r5-${PROJECT_VERSION}-${_talun_system}")
set(CPACK_PACKAGE_FILE_NAME "${CPACK_TALUN_FILE_NAME}")
set(CPACK_GENERATOR ${_talun_generator})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/TalunPackagingChoice.cmake)
set(CPACK_SOURCE_GENERATOR TGZ)

# The Debian package (cpack -G DEB): talun-r5_<version>_<architecture>.deb.
set(TALUN_PACKAGE_MAINTAINER "Talun dev <dev@talun.invalid>" CACHE STRING
    "Maintainer named in the Debian package")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TALUN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Below the summary, CPACK_PACKAGE_DESCRIPTION_SUMMARY, which cpack puts first.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Writes new firmware into a Talun R5 USB gaming mouse and puts its settings
back to their defaults, and runs the production test commands: talun-r5, the
command line for scripts and production stations, with the HID driver library
for a real mouse. Fill in the mouse's identifiers in
/etc/talun-r5/hiddriver.ini and in a copy of the udev rule in
/etc/udev/rules.d (see /usr/share/doc/talun-r5/driver/README.md).
The station can run as the systemd service talun-r5 (not enabled).")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# postinst makes the service's system user with adduser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles
    ${PROJECT_SOURCE_DIR}/dist/debian/postinst ${PROJECT_SOURCE_DIR}/dist/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/out/")
include(CPack)

if(TALUN_BUILD_TESTS)
  # cpack refuses the placeholder image for real mice, and a simulator package
  # holds what it should. Made in a scratch folder from this build.
  # With the placeholder image (the repository's), the package for real mice
  # must be refused; with a real image it must hold the real driver.
  if(TARGET ${_talun_real_driver})
    set(_talun_real_driver_file $<TARGET_FILE:${_talun_real_driver}>)
  endif()
  if(TARGET hiddriver_sim)
    set(_talun_sim_driver_file $<TARGET_FILE:hiddriver_sim>)
  endif()
  # The packaged program can run here (cross-compiled: under the emulator).
  if(TARGET talun-r5 AND (NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR))
    set(_talun_run_program ON)
  endif()
  foreach(kind real simulator)
    if(kind STREQUAL simulator AND NOT TARGET hiddriver_sim)
      continue()
    endif()
    add_test(NAME packaging_${kind}_package
      COMMAND ${CMAKE_COMMAND}
        -DCPACK=${CMAKE_CPACK_COMMAND}
        -DCPACK_CONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake
        -DWORK=${CMAKE_BINARY_DIR}/packaging-test/${kind}
        -DKIND=${kind}
        -DIMAGE_IS_PLACEHOLDER=${_talun_image_is_placeholder}
        -DWINDOWS=${WIN32}
        -DREAL_DRIVER=${_talun_real_driver_file}
        -DSIM_DRIVER=${_talun_sim_driver_file}
        -DRUN_PROGRAM=${_talun_run_program}
        "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
        -P ${PROJECT_SOURCE_DIR}/tests/cli/CheckPackage.cmake)
  endforeach()
  # The Debian package is refused for the simulated mouse, and for real mice
  # with the placeholder image. A package made with a test image is checked,
  # installed and removed by tests/cli/check-debian-package.sh.
  if(NOT WIN32)
    set(_talun_deb_refusals simulator "No Debian package of the simulated mouse")
    if(_talun_image_is_placeholder)
      list(APPEND _talun_deb_refusals real "is the placeholder for the simulated mouse")
    endif()
    while(_talun_deb_refusals)
      list(POP_FRONT _talun_deb_refusals kind refusal)
      add_test(NAME packaging_${kind}_debian_package_refused
        COMMAND ${CMAKE_COMMAND}
          -DCPACK=${CMAKE_CPACK_COMMAND}
          -DCPACK_CONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake
          -DWORK=${CMAKE_BINARY_DIR}/packaging-test/${kind}-deb
          -DKIND=${kind}
          -DGENERATOR=DEB
          "-DREFUSAL=${refusal}"
          -P ${PROJECT_SOURCE_DIR}/tests/cli/CheckPackage.cmake)
    endwhile()
  endif()
endif()
