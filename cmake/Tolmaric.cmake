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

# tolmaric_gui_test_suite(<prefix> DEPS <targets>... [SOURCES <files>...])
# Windows build only: one GoogleTest program per gui/*_gui.cpp in the
# calling folder, named <prefix>_<file>, built with the extra SOURCES (a
# resource script, say). Window tests need a display even under wine (child
# windows cannot be created without one), so they run inside a virtual X
# server with a wine prefix of their own (tests/controls/gui/run_gui_test.sh).
# They share that prefix, and xvfb-run -a may hand two servers starting at
# once the same display, hence the lock. Sets <prefix>_gui_tests to the
# programs made, for settings of the caller's own.
function(tolmaric_gui_test_suite prefix)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  find_program(TOLMARIC_XVFB_RUN xvfb-run)
  file(GLOB gui_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/gui/*_gui.cpp")
  set(made)
  foreach(source IN LISTS gui_sources)
    get_filename_component(stem ${source} NAME_WE)
    set(name ${prefix}_${stem})
    add_executable(${name} ${source} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} tolmaric_test_common GTest::gtest_main)
    if(TOLMARIC_XVFB_RUN)
      add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/controls/gui/run_gui_test.sh ${PROJECT_SOURCE_DIR}
               $<TARGET_FILE:${name}>)
    else()
      add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TOLMARIC_SOURCE_DIR=${PROJECT_SOURCE_DIR};TOLMARIC_GUI=1"
                         TIMEOUT 300 RESOURCE_LOCK xvfb)
    list(APPEND made ${name})
  endforeach()
  set(${prefix}_gui_tests ${made} PARENT_SCOPE)
endfunction()
