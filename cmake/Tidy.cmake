# The `tidy` target: clang-tidy with the checks of .clang-tidy over every source
# of this build's compile database (the libraries, the tool, the companion
# programs, the tests and the benchmarks). Any finding fails the target.
rt_find_program(RT_RUN_CLANG_TIDY "run-clang-tidy;run-clang-tidy-14" DEBIAN clang-tidy OPTIONAL_FOR "The tidy target")
if(NOT RT_RUN_CLANG_TIDY)
  return()
endif()
if(NOT CMAKE_EXPORT_COMPILE_COMMANDS)
  # clang-tidy reads the flags of each source from the compile database.
  add_custom_target(tidy
    COMMAND ${CMAKE_COMMAND} -E echo "tidy: configure with CMAKE_EXPORT_COMPILE_COMMANDS=ON (the tidy preset does)"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
  return()
endif()
include(ProcessorCount)
ProcessorCount(rt_tidy_jobs)
if(rt_tidy_jobs EQUAL 0)
  set(rt_tidy_jobs 1)
endif()
add_custom_target(tidy
  COMMAND ${RT_RUN_CLANG_TIDY} -quiet -j ${rt_tidy_jobs} -p ${PROJECT_BINARY_DIR}
          "^${PROJECT_SOURCE_DIR}/"
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "clang-tidy over the project's sources"
  USES_TERMINAL
  VERBATIM)
