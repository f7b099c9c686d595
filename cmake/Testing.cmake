# GoogleTest from the Debian sources, built with the project's own compiler so
# that the same tests build natively and as Windows programs.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(TALUN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${TALUN_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Warnings in third-party code are not ours to fix.
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -w)
  endif()
endforeach()
include(GoogleTest)

# talun_add_gtest(<target> <sources...> [LIBS ...] [PREFIX p] [RUNNER program])
# Natively every test case is its own CTest test. Cross-compiled, each test
# program runs as one CTest test under the emulator: starting Wine once per test
# case would cost more than the tests themselves. PREFIX starts every test's
# name; RUNNER runs the program (its listing of tests too), e.g. umockdev-wrapper.
function(talun_add_gtest target)
  cmake_parse_arguments(ARG "" "PREFIX;RUNNER" "LIBS" ${ARGN})
  add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  if(TARGET talun_test_support)
    target_link_libraries(${target} PRIVATE talun_test_support)
  endif()
  if(ARG_RUNNER)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${ARG_RUNNER})
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${ARG_PREFIX}" DISCOVERY_MODE PRE_TEST
                         DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
