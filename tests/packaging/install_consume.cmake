# Installs the build tree into WORK_DIR/prefix and builds and runs a consumer of
# the installed package there.
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file bin/rerove_tivorn share/man/man1/rerove_tivorn.1.gz include/keldautil/keldautil.hpp
             include/rerove_tivorn/rerove_tivorn_subs.hpp share/doc/rerove_tivorn/LICENSE)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The Debian package's own copyright and changelog are for the .deb alone.
if(EXISTS ${prefix}/share/doc/rerove-tivorn)
  message(FATAL_ERROR "installed the Debian package's files: share/doc/rerove-tivorn")
endif()

# The exported targets name each include directory once.
file(GLOB_RECURSE targets ${prefix}/*/rerove_tivornTargets.cmake)
file(READ "${targets}" exported)
string(REGEX MATCHALL "INTERFACE_INCLUDE_DIRECTORIES \"[^\"]*\"" dirs "${exported}")
foreach(entry IN LISTS dirs)
  string(REGEX MATCHALL "/include" each "${entry}")
  list(LENGTH each n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "include directory listed ${n} times: ${entry}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}"
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
if(NOT run_output STREQUAL "mhu 2024-6-1 28.3\n")
  message(FATAL_ERROR "unexpected consumer output: ${run_output}")
endif()
