# The golden calls, bit for bit, from plug-ins compiled with flags that would
# fuse every multiply and add they are allowed to: the sources must keep their
# arithmetic exact on their own, without the build's -ffp-contract=off.
#
#   cmake -DSOURCE=<checkout> -DBINARY=<folder> -DFLAGS="<flags>"
#         [-DTOOLCHAIN=<file>] [-DCOMPILER=<c++>] [-DGENERATOR=<name>]
#         [-DPYTHON=<python>] -P fusedBuild.cmake
#
# Builds only the stand-in plug-ins and the golden test program in BINARY
# (no sanitizers, no Octave, no benchmarks), kept between runs so that a run
# rebuilds only what changed, then runs the golden calls at every level. With
# PYTHON, the Python module too, whose self-test then runs the same calls.
foreach(required SOURCE BINARY FLAGS)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "fusedBuild.cmake needs -D${required}=...")
  endif()
endforeach()

set(configure -S ${SOURCE} -B ${BINARY} -DCMAKE_BUILD_TYPE=Release
    "-DREGIONKIT_ARITHMETIC_FLAGS=${FLAGS}" -DREGIONKIT_SANITIZERS=
    -DREGIONKIT_OCTAVE=OFF -DREGIONKIT_BENCH=OFF -DREGIONKIT_MATLAB=OFF)
if(TOOLCHAIN)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
if(COMPILER)
  list(APPEND configure -DCMAKE_CXX_COMPILER=${COMPILER})
endif()
if(GENERATOR)
  list(APPEND configure -G ${GENERATOR})
endif()
if(PYTHON)
  list(APPEND configure -DREGIONKIT_PYTHON=ON -DPython_EXECUTABLE=${PYTHON})
else()
  list(APPEND configure -DREGIONKIT_PYTHON=OFF)
endif()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "fused build: ${what} failed (${status})")
  endif()
endfunction()

message(STATUS "fused build in ${BINARY}, compiled with ${FLAGS}")
run(configuring ${CMAKE_COMMAND} ${configure} -Wno-dev)
run(building ${CMAKE_COMMAND} --build ${BINARY} --target golden_tests -j 2)
# The golden calls at the widest level and each narrower one; not this test
# itself, which the folder's own configuration defines too.
run("the golden calls" ${CMAKE_CTEST_COMMAND} --test-dir ${BINARY} -R "^golden" -E "fused" --output-on-failure)
if(PYTHON)
  run("building the Python module" ${CMAKE_COMMAND} --build ${BINARY} --target python_package -j 2)
  run("the Python module's self-test" ${CMAKE_CTEST_COMMAND} --test-dir ${BINARY} -R "^python_selftest$"
      --output-on-failure)
endif()
