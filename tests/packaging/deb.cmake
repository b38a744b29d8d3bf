# Builds the Debian package of the build tree, checks its contents, unpacks it
# into a scratch root and runs the packaged programs from there.
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run(${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
file(GLOB debs ${WORK_DIR}/*.deb)
list(LENGTH debs n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${WORK_DIR}, found ${n}")
endif()
get_filename_component(deb ${debs} NAME)
if(NOT deb MATCHES "^rerove-tivorn_${VERSION}_[a-z0-9]+\\.deb$")
  message(FATAL_ERROR "unexpected package file name: ${deb}")
endif()

run(${DPKG_DEB} -c ${debs})
set(listing "${run_output}")
set(expected
    share/man/man1/rerove_tivorn.1.gz share/man/man1/make_scenarios.1.gz share/man/man1/rerove_outlook.1.gz
    share/doc/rerove-tivorn/copyright share/doc/rerove-tivorn/changelog.gz
    include/iolayer/iolayer.hpp include/errorprocess/errorprocess.hpp include/keldautil/keldautil.hpp
    include/fcstutil/fcstutil.hpp include/rerove_tivorn/rerove_tivorn.hpp
    lib/libiolayer.a lib/liberrorprocess.a lib/libkeldautil.a lib/libfcstutil.a lib/librerove_tivorn_subs.a
    lib/cmake/rerove_tivorn/rerove_tivornConfig.cmake lib/cmake/rerove_tivorn/rerove_tivornConfigVersion.cmake
    lib/cmake/rerove_tivorn/rerove_tivornTargets.cmake
    share/doc/rerove_tivorn/LICENSE share/doc/rerove_tivorn/CHANGELOG.md share/doc/rerove_tivorn/README.md
    share/doc/rerove_tivorn/docs/tables.md share/doc/rerove_tivorn/docs/troubleshooting.md)
foreach(program IN LISTS PROGRAMS)
  list(APPEND expected bin/${program})
endforeach()
foreach(path IN LISTS expected)
  string(REGEX MATCH "[ ]\\./usr/(lib/[a-z0-9_-]+/)?${path}\n" found "${listing}")
  if(NOT found)
    message(FATAL_ERROR "${path} is missing from ${deb}:\n${listing}")
  endif()
endforeach()
# Everything lies under /usr; nothing is left from the build tree.
string(REGEX MATCH "[ ]\\./(etc|opt|home|root|tmp|build)[/ \n]" stray "${listing}")
string(FIND "${listing}" "${BUILD_DIR}" leaked)
if(stray OR NOT leaked EQUAL -1)
  message(FATAL_ERROR "unexpected paths in ${deb}:\n${listing}")
endif()

# The programs' shared libraries are declared: the C and C++ run-time libraries,
# and NetCDF's when rerove_outlook writes it.
run(${DPKG_DEB} -f ${debs} Depends)
set(libraries libc6 libstdc\\+\\+6)
if(NETCDF)
  list(APPEND libraries "libnetcdf[0-9]+")
endif()
foreach(library IN LISTS libraries)
  if(NOT run_output MATCHES "(^|, )${library}( |,|\n)")
    message(FATAL_ERROR "${deb} does not depend on ${library}: ${run_output}")
  endif()
endforeach()

# Debian's checks of a package report no error; what else they say is shown.
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error ${debs}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX MATCH "(^|\n)E: " errors "${out}")
  if(NOT status EQUAL 0 OR errors)
    message(FATAL_ERROR "lintian reports errors on ${deb} (status ${status}):\n${out}${err}")
  endif()
  if(out)
    message(STATUS "lintian on ${deb}:\n${out}")
  endif()
endif()

set(root ${WORK_DIR}/root)
run(${DPKG} -x ${debs} ${root})
set(sample ${WORK_DIR}/sample)
run(${root}/usr/bin/make_scenarios -d ${sample} MHU 1950-1952 06/01/2024 60)
run(${root}/usr/bin/rerove_tivorn MHU WORKING_DIRECTORY ${sample})
if(NOT run_output STREQUAL " Processing Mich-Huron\n")
  message(FATAL_ERROR "unexpected console output of the packaged tool:\n${run_output}")
endif()
foreach(year 1950 1951 1952)
  if(NOT EXISTS ${sample}/mhDNBS_${year}.txt)
    message(FATAL_ERROR "the packaged tool wrote no mhDNBS_${year}.txt")
  endif()
endforeach()
file(STRINGS ${sample}/mhDNBS_1950.txt first LIMIT_COUNT 1)
if(NOT first MATCHES "^# LAKE Mich-Hur DAILY NET BASIN SUPPLIES \\(CMS\\*10\\)")
  message(FATAL_ERROR "unexpected first line of the packaged tool's table: ${first}")
endif()
if(EXISTS ${sample}/ERROR.INT)
  message(FATAL_ERROR "the packaged tool left ERROR.INT")
endif()
