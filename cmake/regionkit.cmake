# regionkit_plugin(NAME KERNEL <sources> ENTRY <sources> [TESTS <sources>] [GOLDEN <source>]
#                  [THREADS <sources>] [BENCH <sources>] [FUZZ <source>])
#
# Everything of one plug-in is in its folder and named here; the project-wide
# programs (golden calls, reentrancy suite, fuzz targets) collect their parts
# from these calls, so a new plug-in is a new folder and nothing more.
#   GOLDEN   defines <NAME>GoldenCalls(golden::Calls&), the plug-in's golden calls
#   THREADS  defines <NAME>ThreadJobs(reentrant::Jobs&, std::mt19937&), its
#            kernels' calls in the reentrancy suite
#   FUZZ     defines fuzz::pluginPromise, what the fuzz harness checks of a
#            completed call; the inputs beside it, fuzz/corpus/ and fuzz/repro/,
#            are replayed with each allocation failing in turn
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
#   <NAME>_python   its entry for the Python module (python/), its mexFunction
#                   renamed <NAME>_mexFunction; <NAME>_python_checked the same
#                   with the sanitizers and counted requests, for the
#                   checked module the tests run
#   fuzz_<NAME>     in a fuzz build (REGIONKIT_FUZZ) only: the libFuzzer program,
#                   and the ctest that replays its committed inputs
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

# The folders every build shares, each a role of its own:
#   gateway/      the MEX boundary: argument checks, refusals, results, allocation, row tables
#   simd/         the vector instruction sets and the exact-arithmetic rules the kernels are written in
#   host/         the host of our own (the Python module's, and the tests')
#   testsupport/  what only the tests use: counted requests, array builders, the loader, gtest helpers
# Include folders are the properties of these interface targets, which the
# other targets link to.
add_library(regionkit_simd INTERFACE)
target_include_directories(regionkit_simd INTERFACE ${CMAKE_SOURCE_DIR}/simd)
add_library(regionkit_gateway_headers INTERFACE)
target_include_directories(regionkit_gateway_headers INTERFACE ${CMAKE_SOURCE_DIR}/gateway)
target_link_libraries(regionkit_gateway_headers INTERFACE regionkit_simd)
add_library(regionkit_host_headers INTERFACE)
target_include_directories(regionkit_host_headers INTERFACE ${CMAKE_SOURCE_DIR}/host)
target_link_libraries(regionkit_host_headers INTERFACE regionkit_gateway_headers)
add_library(regionkit_testsupport_headers INTERFACE)
target_include_directories(regionkit_testsupport_headers INTERFACE ${CMAKE_SOURCE_DIR}/testsupport)
target_link_libraries(regionkit_testsupport_headers INTERFACE regionkit_host_headers)

# The gateway and vector-layer sources, compiled once per host: the
# allocation path and the host's mex.h differ between them.
file(GLOB REGIONKIT_GATEWAY_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/gateway/*.cpp
     ${CMAKE_SOURCE_DIR}/simd/*.cpp)
set(REGIONKIT_HOST_SOURCES ${CMAKE_SOURCE_DIR}/host/host.cpp)
# The host as the tests run it: its requests counted (REGIONKIT_COUNTED_HOST),
# with the builders and the loader.
set(REGIONKIT_TESTSUPPORT_SOURCES ${CMAKE_SOURCE_DIR}/testsupport/counting.cpp ${CMAKE_SOURCE_DIR}/testsupport/calls.cpp)

# Sanitizer flags for the stand-in builds, as the compiler and target have them.
function(regionkit_checked TARGET)
  if(REGIONKIT_SANITIZE_FLAGS)
    target_compile_options(${TARGET} PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
    target_link_options(${TARGET} PRIVATE ${REGIONKIT_SANITIZE_FLAGS})
  endif()
endfunction()

if(REGIONKIT_OCTAVE)
  add_library(gateway_octave OBJECT ${REGIONKIT_GATEWAY_SOURCES})
  target_include_directories(gateway_octave PRIVATE ${OCTAVE_INCLUDE_DIR} ${OCTAVE_INCLUDE_DIR}/..)
  target_link_libraries(gateway_octave PUBLIC regionkit_gateway_headers)
endif()
if(REGIONKIT_TESTS)
  add_library(gateway_standin OBJECT ${REGIONKIT_GATEWAY_SOURCES})
  target_link_libraries(gateway_standin PUBLIC regionkit_testsupport_headers)
  target_compile_definitions(gateway_standin PUBLIC REGIONKIT_COUNTED_HOST PRIVATE REGIONKIT_ISA_FROM_ENV)
  regionkit_checked(gateway_standin)
endif()
if(REGIONKIT_PYTHON_FOUND)
  # The Python module's host is the host of our own; its gateway allocates with malloc.
  add_library(gateway_python OBJECT ${REGIONKIT_GATEWAY_SOURCES})
  target_link_libraries(gateway_python PUBLIC regionkit_host_headers)
endif()
if(REGIONKIT_BENCH)
  # Benchmarks run the kernels alone: the plain allocation path and the level
  # choice, which REGIONKIT_ISA can narrow.
  add_library(gateway_bench OBJECT ${CMAKE_SOURCE_DIR}/gateway/allocation.cpp ${CMAKE_SOURCE_DIR}/simd/isa.cpp)
  target_link_libraries(gateway_bench PUBLIC regionkit_gateway_headers)
  target_compile_definitions(gateway_bench PRIVATE REGIONKIT_ISA_FROM_ENV)
endif()

if(REGIONKIT_FUZZ)
  # libFuzzer programs, under AddressSanitizer and UBSan. Each links a plug-in's
  # entry, kernel and gateway sources with the stand-in host and the harness,
  # and calls its own mexFunction through the stand-in's loader.
  set(REGIONKIT_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer -g -O1)
  set(REGIONKIT_FUZZ_ENVIRONMENT REGIONKIT_FUZZ_EVERY_FAILURE=1 ASAN_OPTIONS=detect_leaks=1
      UBSAN_OPTIONS=print_stacktrace=1)
  function(regionkit_fuzz_program TARGET PLUGIN)
    add_executable(${TARGET} ${ARGN} ${REGIONKIT_HOST_SOURCES} ${REGIONKIT_TESTSUPPORT_SOURCES}
                   ${CMAKE_SOURCE_DIR}/fuzz/harness.cpp)
    target_include_directories(${TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
    target_link_libraries(${TARGET} PRIVATE regionkit_testsupport_headers)
    target_compile_definitions(${TARGET} PRIVATE REGIONKIT_COUNTED_HOST REGIONKIT_FUZZ_PLUGIN="${PLUGIN}")
    target_compile_options(${TARGET} PRIVATE ${REGIONKIT_FUZZ_FLAGS})
    # mexFunction is found through the loader, so the program exports it; result
    # creation passes through the harness, which plays a host with finite memory.
    set_target_properties(${TARGET} PROPERTIES ENABLE_EXPORTS ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    target_link_options(${TARGET} PRIVATE ${REGIONKIT_FUZZ_FLAGS} -Wl,--wrap=mxCreateDoubleMatrix)
    target_link_libraries(${TARGET} PRIVATE ${CMAKE_DL_LIBS})
  endfunction()
endif()

function(regionkit_plugin NAME)
  set(parts KERNEL ENTRY TESTS GOLDEN THREADS BENCH FUZZ)
  cmake_parse_arguments(P "" "" "${parts}" ${ARGN})
  set(src ${CMAKE_CURRENT_SOURCE_DIR})
  foreach(part ${parts})
    list(TRANSFORM P_${part} PREPEND ${src}/)
  endforeach()
  set_property(GLOBAL APPEND PROPERTY REGIONKIT_PLUGIN_NAMES ${NAME})
  set_property(GLOBAL APPEND PROPERTY REGIONKIT_PLUGIN_FOLDER_PATHS ${src})
  set_property(GLOBAL APPEND PROPERTY REGIONKIT_KERNEL_SOURCES ${P_KERNEL})
  if(P_GOLDEN)
    set_property(GLOBAL APPEND PROPERTY REGIONKIT_GOLDEN_PLUGINS ${NAME})
    set_property(GLOBAL APPEND PROPERTY REGIONKIT_GOLDEN_SOURCES ${P_GOLDEN})
  endif()
  if(P_THREADS)
    set_property(GLOBAL APPEND PROPERTY REGIONKIT_THREADS_PLUGINS ${NAME})
    set_property(GLOBAL APPEND PROPERTY REGIONKIT_THREADS_SOURCES ${P_THREADS})
  endif()

  if(REGIONKIT_FUZZ)
    if(P_FUZZ)
      regionkit_fuzz_program(fuzz_${NAME} ${NAME} ${P_ENTRY} ${P_KERNEL} ${P_FUZZ} ${REGIONKIT_GATEWAY_SOURCES})
      target_include_directories(fuzz_${NAME} PRIVATE ${src})
      # The committed inputs, each run once and then with each of its
      # allocations failing in turn: the same work on every run.
      set(inputs "")
      foreach(folder corpus repro)
        if(IS_DIRECTORY ${src}/fuzz/${folder})
          list(APPEND inputs ${src}/fuzz/${folder})
        endif()
      endforeach()
      if(inputs)
        add_test(NAME fuzz_${NAME} COMMAND fuzz_${NAME} -runs=0 -rss_limit_mb=2048 ${inputs})
        set_tests_properties(fuzz_${NAME} PROPERTIES ENVIRONMENT "${REGIONKIT_FUZZ_ENVIRONMENT}")
      endif()
    endif()
    return()
  endif()

  if(REGIONKIT_OCTAVE OR REGIONKIT_BENCH OR REGIONKIT_MATLAB_FOUND OR REGIONKIT_PYTHON_FOUND)
    add_library(${NAME}_kernel OBJECT ${P_KERNEL})
    target_include_directories(${NAME}_kernel PUBLIC ${src})
    target_link_libraries(${NAME}_kernel PUBLIC regionkit_gateway_headers)
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
    target_include_directories(${NAME}_matlab PRIVATE ${src} ${CMAKE_SOURCE_DIR}/gateway ${CMAKE_SOURCE_DIR}/simd)
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
    target_include_directories(${NAME}_checked PUBLIC ${src})
    target_link_libraries(${NAME}_checked PUBLIC regionkit_gateway_headers)
    regionkit_checked(${NAME}_checked)

    add_library(${NAME}_standin MODULE ${P_ENTRY})
    target_link_libraries(${NAME}_standin PRIVATE ${NAME}_checked gateway_standin testsupport)
    regionkit_checked(${NAME}_standin)
    set_target_properties(${NAME}_standin PROPERTIES PREFIX "")

    if(P_TESTS)
      add_executable(${NAME}_tests ${P_TESTS})
      target_compile_definitions(${NAME}_tests PRIVATE REGIONKIT_PLUGIN_PATH="$<TARGET_FILE:${NAME}_standin>")
      target_link_libraries(${NAME}_tests PRIVATE ${NAME}_checked gateway_standin testsupport GTest::gtest_main)
      regionkit_checked(${NAME}_tests)
      add_dependencies(${NAME}_tests ${NAME}_standin)
      add_test(NAME ${NAME} COMMAND ${NAME}_tests)
      set_tests_properties(${NAME} PROPERTIES ENVIRONMENT "${REGIONKIT_TEST_ENVIRONMENT}")
    endif()
  endif()

  if(REGIONKIT_PYTHON_FOUND)
    # One module holds every entry, so each mexFunction gets its plug-in's name.
    add_library(${NAME}_python OBJECT ${P_ENTRY})
    target_compile_definitions(${NAME}_python PRIVATE mexFunction=${NAME}_mexFunction)
    target_link_libraries(${NAME}_python PRIVATE ${NAME}_kernel gateway_python)
    set_property(GLOBAL APPEND PROPERTY REGIONKIT_PYTHON_PARTS ${NAME}_python ${NAME}_kernel)
    set_property(GLOBAL APPEND PROPERTY REGIONKIT_PYTHON_HELP ${NAME}=${src}/${NAME}.m)
    if(REGIONKIT_TESTS)
      add_library(${NAME}_python_checked OBJECT ${P_ENTRY})
      target_compile_definitions(${NAME}_python_checked PRIVATE mexFunction=${NAME}_mexFunction)
      target_link_libraries(${NAME}_python_checked PRIVATE ${NAME}_checked gateway_standin)
      regionkit_checked(${NAME}_python_checked)
      set_property(GLOBAL APPEND PROPERTY REGIONKIT_PYTHON_CHECKED_PARTS ${NAME}_python_checked ${NAME}_checked)
    endif()
  endif()

  if(REGIONKIT_BENCH AND P_BENCH)
    add_executable(${NAME}_bench ${P_BENCH})
    target_link_libraries(${NAME}_bench PRIVATE ${NAME}_kernel gateway_bench benchmark::benchmark)
  endif()
endfunction()
