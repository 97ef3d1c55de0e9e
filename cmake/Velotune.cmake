# Build helpers shared by every subsystem folder.

# Adds each immediate sub-folder of AREA that carries a CMakeLists.txt
# (and AREA itself when it has one), in name order.
function(vt_add_areas area)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${area}/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/${area} ${CMAKE_BINARY_DIR}/areas/${area})
    return()
  endif()
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/${area}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${child})
      add_subdirectory(${child} ${CMAKE_BINARY_DIR}/areas/${rel})
    endif()
  endforeach()
endfunction()

# A stand-in for an outside library: a DLL (no "lib" prefix) in the dist
# folder, also copied beside the test programs so that tests load it the way
# the program does, from their own folder.
function(vt_add_sim_library name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  vt_mark_standin(${name})
  if(VT_BUILD_TESTS)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VT_TEST_DIR}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${name}> ${VT_TEST_DIR}/)
  endif()
endfunction()

# Gives a stand-in for an outside file (a library or program that a maker
# other than us ships in the real product) a version resource carrying the
# string value "VelotuneStandIn". The setup program installs a file of that
# name only where none is present or the present one carries the mark, so a
# maker's real file is never replaced or removed (see installer/README.md).
function(vt_mark_standin target)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VT_STANDIN_FILETYPE VFT_APP)
    set(VT_STANDIN_FILE ${target}.exe)
  else()
    set(VT_STANDIN_FILETYPE VFT_DLL)
    set(VT_STANDIN_FILE ${target}.dll)
  endif()
  if(PROJECT_VERSION_TWEAK STREQUAL "")
    set(VT_STANDIN_TWEAK 0)
  else()
    set(VT_STANDIN_TWEAK ${PROJECT_VERSION_TWEAK})
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_standin.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/StandIn.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Copies data files (profiles and the like) into the dist folder and beside
# the tests. Paths are relative to the calling folder; DEST is a sub-folder.
function(vt_stage_files target dest)
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VT_DIST_DIR}/${dest}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${abs} ${VT_DIST_DIR}/${dest}/)
    if(VT_BUILD_TESTS)
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VT_TEST_DIR}/${dest}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${abs} ${VT_TEST_DIR}/${dest}/)
    endif()
  endforeach()
endfunction()

# One GoogleTest program, run by CTest under Wine (the emulator wrapper).
#   vt_add_test(name SOURCES a.cpp b.cpp LIBS vt_log ...)
function(vt_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT VT_BUILD_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vt_testsupport gmock gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VT_TEST_DIR})
  add_dependencies(${name} vt_dist)
  add_test(NAME ${name} COMMAND ${name})
  # Test programs share one folder, and with it the log file, the stand-ins'
  # state files and the prefix's registry: they take turns.
  set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${VT_TEST_DIR} TIMEOUT 300
                       RESOURCE_LOCK vt_test_folder)
endfunction()

# A program without GoogleTest, built into `folder`.
function(vt_add_plain_program name folder)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder})
endfunction()

# A benchmark program (never part of the tests).
function(vt_add_bench name)
  vt_add_plain_program(${name} ${VT_BENCH_DIR} ${ARGN})
endfunction()

# A plain helper program for tests, built beside the tests.
function(vt_add_test_tool name)
  if(VT_BUILD_TESTS)
    vt_add_plain_program(${name} ${VT_TEST_DIR} ${ARGN})
  endif()
endfunction()

# A shipped program's version resource: `rc`, in the res folder beside the
# program's CMakeLists.txt, includes "version.h", made from
# src/app/res/version.h.in with the project version's numbers.
function(vt_add_version_resource target rc)
  if(PROJECT_VERSION_TWEAK STREQUAL "")
    set(VT_VERSION_TWEAK 0)
  else()
    set(VT_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/src/app/res/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/res/version.h @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/res/${rc})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/res ${CMAKE_CURRENT_SOURCE_DIR}/res)
endfunction()

# Links the stack guard (src/base/StackGuard.cpp) into every program and
# library defined in FOLDER and below, so that none can be added without it.
function(vt_link_stack_guard folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
      target_link_libraries(${t} PRIVATE vt_stackguard)
    endif()
  endforeach()
  get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subfolders})
    vt_link_stack_guard(${sub})
  endforeach()
endfunction()
