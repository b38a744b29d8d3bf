# run(COMMAND... [WORKING_DIRECTORY dir]): runs a command of a packaging check and
# stops the check when it fails; its standard output is left in run_output.
function(run)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "" ${ARGN})
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${WORK_DIR})
  endif()
  execute_process(COMMAND ${ARG_UNPARSED_ARGUMENTS} WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    string(JOIN " " command ${ARG_UNPARSED_ARGUMENTS})
    message(FATAL_ERROR "failed (${status}): ${command}\n${out}${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()
