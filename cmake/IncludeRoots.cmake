# Include roots by layer. No folder of the whole tree is on any include path:
# each target gets an include folder of its own in the build tree that holds a
# link to each part of the sources it may include, so that
# #include "device/Transport.h" finds device/Transport.h for a target given
# "device", and nothing for one that was not. A part is a folder or a single
# header ("platform/Clock.h"). Roots given PUBLIC or INTERFACE reach the
# targets that link this one, as the layers below reach the layers above.
#
#   talun_include_roots(<target> <PUBLIC|PRIVATE|INTERFACE> <part>...)
function(talun_include_roots target scope)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  foreach(part IN LISTS ARGN)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${part})
      message(FATAL_ERROR "talun_include_roots(${target}): no ${part} in the sources")
    endif()
    get_filename_component(parent ${root}/${part} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${part})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${part} ${root}/${part} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
