# Finding what the build needs, each with the Debian package that provides it
# (tools/packages.txt lists them all, and tools/run_tests.sh installs them).
#
#   rt_find_package(<Package> DEBIAN <package> NEEDED_BY <what> [ARGS <find_package arguments>...])
#   rt_find_package(<Package> DEBIAN <package> OPTIONAL_FOR <feature> [ARGS ...])
#   rt_find_program(<variable> <program names> DEBIAN <package> NEEDED_BY <what>)
#   rt_find_program(<variable> <program names> DEBIAN <package> OPTIONAL_FOR <feature>)
#
# A dependency NEEDED_BY something stops the configure when it is missing, with a
# message naming its Debian package; without an OPTIONAL_FOR one the configure says
# that the feature is built without it. <Package>_FOUND, or <variable>, tells the
# caller which it was.

function(rt_missing_dependency name)
  cmake_parse_arguments(ARG "" "DEBIAN;NEEDED_BY;OPTIONAL_FOR" "" ${ARGN})
  if(ARG_NEEDED_BY)
    message(FATAL_ERROR
      "Could not find ${name}, needed by ${ARG_NEEDED_BY}. On Debian it comes with the package "
      "${ARG_DEBIAN}:\n    apt-get install ${ARG_DEBIAN}\n"
      "(tools/run_tests.sh installs every package of tools/packages.txt that the build and the tests need.)")
  endif()
  message(STATUS "${ARG_OPTIONAL_FOR}: built without ${name} (Debian package ${ARG_DEBIAN})")
endfunction()

function(rt_find_package name)
  cmake_parse_arguments(ARG "" "DEBIAN;NEEDED_BY;OPTIONAL_FOR" "ARGS" ${ARGN})
  find_package(${name} ${ARG_ARGS} QUIET)
  if(NOT ${name}_FOUND)
    rt_missing_dependency(${name} ${ARGN})
  endif()
  set(${name}_FOUND ${${name}_FOUND} PARENT_SCOPE)
endfunction()

function(rt_find_program variable programs)
  find_program(${variable} NAMES ${programs})
  if(NOT ${variable})
    list(GET programs 0 program)
    rt_missing_dependency(${program} ${ARGN})
  endif()
endfunction()
