# regionkit_plugin(NAME KERNEL <sources> ENTRY <sources> [TESTS <sources>] [BENCH <sources>])
#
# Builds, for one plug-in:
#   <NAME>_kernel   the host-free kernel, optimized, for the plug-ins and benchmarks
#   <NAME>_octave   the MEX file <NAME>.mex for GNU Octave, in REGIONKIT_MEX_DIR
#   <NAME>_matlab   the MEX file for MATLAB (<NAME>.mexa64, ...), in REGIONKIT_MATLAB_MEX_DIR,
#                   when MATLAB was found
#   <NAME>_checked  the kernel again, with the sanitizers, for the stand-in builds
#   <NAME>_standin  the entry built against the stand-in host, with the sanitizers
#   <NAME>_tests    the C++ suite (kernel and entry tests), run by ctest; it finds
#                   the stand-in plug-in through REGIONKIT_PLUGIN_PATH
#   <NAME>_bench    the Google Benchmark program
# Each plug-in carries its own copy of the gateway (one object library per host,
# see regionkit_gateway below), as a MEX file must.

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

# The gateway sources, compiled once per host: the allocation path and the
# host's mex.h differ between them.
file(GLOB REGIONKIT_GATEWAY_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/gateway/*.cpp)

# Sanitizer flags for the stand-in builds, as the compiler and target have them.
function(regionkit_checked TARGET)
  if(REGIONKIT_SANITIZE_FLAGS)
    target_compile_options(${TARGET} PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
    target_link_options(${TARGET} PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
  endif()
endfunction()

if(REGIONKIT_OCTAVE)
  add_library(gateway_octave OBJECT ${REGIONKIT_GATEWAY_SOURCES})
  target_include_directories(gateway_octave PUBLIC ${CMAKE_SOURCE_DIR}/gateway
                             PRIVATE ${OCTAVE_INCLUDE_DIR} ${OCTAVE_INCLUDE_DIR}/..)
endif()
if(REGIONKIT_TESTS)
  add_library(gateway_standin OBJECT ${REGIONKIT_GATEWAY_SOURCES})
  target_include_directories(gateway_standin PUBLIC ${CMAKE_SOURCE_DIR}/gateway ${CMAKE_SOURCE_DIR}/testhost)
  target_compile_definitions(gateway_standin PUBLIC REGIONKIT_STANDIN_HOST PRIVATE REGIONKIT_ISA_FROM_ENV)
  regionkit_checked(gateway_standin)
endif()
if(REGIONKIT_BENCH)
  # Benchmarks run the kernels alone: the plain allocation path and the level
  # choice, which REGIONKIT_ISA can narrow.
  add_library(gateway_bench OBJECT ${CMAKE_SOURCE_DIR}/gateway/allocation.cpp ${CMAKE_SOURCE_DIR}/gateway/isa.cpp)
  target_include_directories(gateway_bench PUBLIC ${CMAKE_SOURCE_DIR}/gateway)
  target_compile_definitions(gateway_bench PRIVATE REGIONKIT_ISA_FROM_ENV)
endif()

function(regionkit_plugin NAME)
  cmake_parse_arguments(P "" "" "KERNEL;ENTRY;TESTS;BENCH" ${ARGN})
  set(src ${CMAKE_CURRENT_SOURCE_DIR})
  list(TRANSFORM P_KERNEL PREPEND ${src}/)
  list(TRANSFORM P_ENTRY PREPEND ${src}/)
  list(TRANSFORM P_TESTS PREPEND ${src}/)
  list(TRANSFORM P_BENCH PREPEND ${src}/)
  set_property(GLOBAL APPEND PROPERTY REGIONKIT_PLUGIN_NAMES ${NAME})

  if(REGIONKIT_OCTAVE OR REGIONKIT_BENCH OR REGIONKIT_MATLAB_FOUND)
    add_library(${NAME}_kernel OBJECT ${P_KERNEL})
    target_include_directories(${NAME}_kernel PUBLIC ${src} ${CMAKE_SOURCE_DIR}/gateway)
  endif()

  if(REGIONKIT_OCTAVE)
    add_library(${NAME}_octave MODULE ${P_ENTRY})
    target_include_directories(${NAME}_octave PRIVATE ${OCTAVE_INCLUDE_DIR} ${OCTAVE_INCLUDE_DIR}/..)
    target_link_libraries(${NAME}_octave PRIVATE ${NAME}_kernel gateway_octave ${OCTAVE_OCTINTERP} ${OCTAVE_OCTAVE})
    set_target_properties(${NAME}_octave PROPERTIES PREFIX "" SUFFIX ".mex" OUTPUT_NAME ${NAME}
                          LIBRARY_OUTPUT_DIRECTORY ${REGIONKIT_MEX_DIR})
    # The help text lives in a comments-only <NAME>.m beside the MEX file.
    if(EXISTS ${src}/${NAME}.m)
      configure_file(${src}/${NAME}.m ${REGIONKIT_MEX_DIR}/${NAME}.m COPYONLY)
    endif()
  endif()

  if(REGIONKIT_MATLAB_FOUND)
    # The separate-complex API (R2017b), in which mxGetPr gives the real doubles.
    # MATLAB's mex.h comes with matlab_add_mex, so the gateway is compiled here.
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
    add_library(${NAME}_checked OBJECT ${P_KERNEL})
    target_include_directories(${NAME}_checked PUBLIC ${src} ${CMAKE_SOURCE_DIR}/gateway)
    regionkit_checked(${NAME}_checked)

    add_library(${NAME}_standin MODULE ${P_ENTRY})
    target_link_libraries(${NAME}_standin PRIVATE ${NAME}_checked gateway_standin testhost)
    regionkit_checked(${NAME}_standin)
    set_target_properties(${NAME}_standin PROPERTIES PREFIX "")

    if(P_TESTS)
      add_executable(${NAME}_tests ${P_TESTS})
      target_compile_definitions(${NAME}_tests PRIVATE REGIONKIT_PLUGIN_PATH="$<TARGET_FILE:${NAME}_standin>")
      target_link_libraries(${NAME}_tests PRIVATE ${NAME}_checked gateway_standin testhost GTest::gtest_main)
      regionkit_checked(${NAME}_tests)
      add_dependencies(${NAME}_tests ${NAME}_standin)
      add_test(NAME ${NAME} COMMAND ${NAME}_tests)
      set_tests_properties(${NAME} PROPERTIES ENVIRONMENT "${REGIONKIT_TEST_ENVIRONMENT}")
    endif()
  endif()

  if(REGIONKIT_BENCH AND P_BENCH)
    add_executable(${NAME}_bench ${P_BENCH})
    target_link_libraries(${NAME}_bench PRIVATE ${NAME}_kernel gateway_bench benchmark::benchmark)
  endif()
endfunction()
