# regionkit_plugin(NAME KERNEL <sources> ENTRY <sources> [TESTS <sources>] [BENCH <sources>])
#
# Builds, for one plug-in:
#   <NAME>_kernel   the host-free kernel, optimized, for the plug-ins and benchmarks
#   <NAME>_octave   the MEX file <NAME>.mex for GNU Octave, in REGIONKIT_MEX_DIR
#   <NAME>_matlab   the MEX file for MATLAB (<NAME>.mexa64, ...), in REGIONKIT_MATLAB_MEX_DIR,
#                   when MATLAB was found
#   <NAME>_standin  the same entry built against the stand-in host, sanitized
#   <NAME>_tests    the C++ suite (kernel and entry tests), sanitized, run by ctest;
#                   it finds the stand-in plug-in through REGIONKIT_PLUGIN_PATH
#   <NAME>_bench    the Google Benchmark program
# The gateway sources are compiled into every plug-in: each carries its own copy.

if(REGIONKIT_OCTAVE)
  find_program(MKOCTFILE mkoctfile REQUIRED)
  execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR OUTPUT_VARIABLE OCTAVE_INCLUDE_DIR
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${MKOCTFILE} -p OCTLIBDIR OUTPUT_VARIABLE OCTAVE_LIB_DIR
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  find_library(OCTAVE_OCTINTERP octinterp HINTS ${OCTAVE_LIB_DIR} REQUIRED)
  find_library(OCTAVE_OCTAVE octave HINTS ${OCTAVE_LIB_DIR} REQUIRED)
  message(STATUS "GNU Octave headers: ${OCTAVE_INCLUDE_DIR}")
endif()

function(regionkit_plugin NAME)
  cmake_parse_arguments(P "" "" "KERNEL;ENTRY;TESTS;BENCH" ${ARGN})
  set(src ${CMAKE_CURRENT_SOURCE_DIR})
  list(TRANSFORM P_KERNEL PREPEND ${src}/)
  list(TRANSFORM P_ENTRY PREPEND ${src}/)
  list(TRANSFORM P_TESTS PREPEND ${src}/)
  list(TRANSFORM P_BENCH PREPEND ${src}/)

  if(REGIONKIT_OCTAVE OR REGIONKIT_BENCH OR REGIONKIT_MATLAB_FOUND)
    # The allocation path differs by host, so each host build compiles its own.
    add_library(${NAME}_kernel STATIC ${P_KERNEL})
    target_include_directories(${NAME}_kernel PUBLIC ${src} ${CMAKE_SOURCE_DIR}/gateway)
  endif()

  if(REGIONKIT_OCTAVE)
    add_library(${NAME}_octave MODULE ${P_ENTRY} ${CMAKE_SOURCE_DIR}/gateway/gate.cpp
                ${CMAKE_SOURCE_DIR}/gateway/rowTable.cpp ${CMAKE_SOURCE_DIR}/gateway/allocation.cpp)
    target_include_directories(${NAME}_octave PRIVATE ${OCTAVE_INCLUDE_DIR} ${OCTAVE_INCLUDE_DIR}/..)
    target_link_libraries(${NAME}_octave PRIVATE ${NAME}_kernel ${OCTAVE_OCTINTERP} ${OCTAVE_OCTAVE})
    set_target_properties(${NAME}_octave PROPERTIES PREFIX "" SUFFIX ".mex" OUTPUT_NAME ${NAME}
                          LIBRARY_OUTPUT_DIRECTORY ${REGIONKIT_MEX_DIR})
    # The help text lives in a comments-only <NAME>.m beside the MEX file.
    if(EXISTS ${src}/${NAME}.m)
      configure_file(${src}/${NAME}.m ${REGIONKIT_MEX_DIR}/${NAME}.m COPYONLY)
    endif()
  endif()

  if(REGIONKIT_MATLAB_FOUND)
    # The separate-complex API (R2017b), in which mxGetPr gives the real doubles.
    matlab_add_mex(NAME ${NAME}_matlab MODULE R2017b OUTPUT_NAME ${NAME}
                   SRC ${P_ENTRY} ${REGIONKIT_GATEWAY_SOURCES}
                   LINK_TO ${NAME}_kernel)
    target_include_directories(${NAME}_matlab PRIVATE ${src} ${CMAKE_SOURCE_DIR}/gateway)
    target_compile_definitions(${NAME}_matlab PRIVATE MATLAB_MEX_FILE)
    set_target_properties(${NAME}_matlab PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${REGIONKIT_MATLAB_MEX_DIR})
    # Copied, not given to matlab_add_mex as DOCUMENTATION: CMake would take a .m
    # source for Objective-C.
    if(EXISTS ${src}/${NAME}.m)
      configure_file(${src}/${NAME}.m ${REGIONKIT_MATLAB_MEX_DIR}/${NAME}.m COPYONLY)
    endif()
  endif()

  if(REGIONKIT_TESTS)
    add_library(${NAME}_standin MODULE ${P_ENTRY} ${P_KERNEL} ${REGIONKIT_GATEWAY_SOURCES})
    target_include_directories(${NAME}_standin PRIVATE ${src} ${CMAKE_SOURCE_DIR}/gateway)
    target_compile_definitions(${NAME}_standin PRIVATE REGIONKIT_STANDIN_HOST)
    target_compile_options(${NAME}_standin PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
    target_link_libraries(${NAME}_standin PRIVATE testhost)
    set_target_properties(${NAME}_standin PROPERTIES PREFIX "")

    if(P_TESTS)
      add_executable(${NAME}_tests ${P_TESTS} ${P_KERNEL} ${CMAKE_SOURCE_DIR}/gateway/allocation.cpp
                     ${CMAKE_SOURCE_DIR}/gateway/rowTable.cpp)
      target_include_directories(${NAME}_tests PRIVATE ${src} ${CMAKE_SOURCE_DIR}/gateway)
      target_compile_definitions(${NAME}_tests PRIVATE REGIONKIT_STANDIN_HOST
                                 REGIONKIT_PLUGIN_PATH="$<TARGET_FILE:${NAME}_standin>")
      target_compile_options(${NAME}_tests PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
      target_link_options(${NAME}_tests PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
      target_link_libraries(${NAME}_tests PRIVATE testhost GTest::gtest_main)
      add_dependencies(${NAME}_tests ${NAME}_standin)
      add_test(NAME ${NAME} COMMAND ${NAME}_tests)
      set_tests_properties(${NAME} PROPERTIES ENVIRONMENT
                           "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
    endif()
  endif()

  if(REGIONKIT_BENCH AND P_BENCH)
    add_executable(${NAME}_bench ${P_BENCH} ${CMAKE_SOURCE_DIR}/gateway/allocation.cpp)
    target_link_libraries(${NAME}_bench PRIVATE ${NAME}_kernel benchmark::benchmark)
  endif()
endfunction()
