# Helpers shared by the subsystem folders.
#
# Platform backends sit side by side and are picked by their file name:
#   name_win32.cpp   only in the Windows build
#   name_posix.cpp   only in the native build
# Everything else in a folder is portable and always built.

function(tolmaric_platform_filter out_var)
  set(kept)
  foreach(file IN LISTS ARGN)
    if(WIN32 AND file MATCHES "_posix(_test)?\\.cpp$")
      continue()
    endif()
    if(NOT WIN32 AND file MATCHES "_win32(_test)?\\.cpp$")
      continue()
    endif()
    list(APPEND kept ${file})
  endforeach()
  set(${out_var} ${kept} PARENT_SCOPE)
endfunction()

# tolmaric_library(<target> <folder relative to this CMakeLists> [DEPS <targets>...])
# A static library made of every .cpp in the folder that suits the platform.
function(tolmaric_library target folder)
  cmake_parse_arguments(ARG "" "" "DEPS;WIN32_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  tolmaric_platform_filter(sources ${sources})
  if(NOT sources)
    set(sources "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(WIN32 AND ARG_WIN32_LIBS)
    target_link_libraries(${target} PUBLIC ${ARG_WIN32_LIBS})
  endif()
endfunction()

# tolmaric_test_suite(<prefix> DEPS <targets>...)
# One GoogleTest program per *_test.cpp in the calling folder that suits the
# platform, named <prefix>_<file>; one file's trouble never blocks another's.
# Under the Windows build ctest runs them through the emulator (wine).
function(tolmaric_test_suite prefix)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  tolmaric_platform_filter(sources ${sources})
  foreach(source IN LISTS sources)
    get_filename_component(stem ${source} NAME_WE)
    set(name ${prefix}_${stem})
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} tolmaric_test_common GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TOLMARIC_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endfunction()
