# Renders one man page with every groff warning enabled, and through man(1) when it
# is there; any diagnostic fails.
#   cmake -DGROFF=/usr/bin/groff [-DMAN=/usr/bin/man] -DPAGE=page.1 -P render.cmake
# groff -z would skip the output stage, whose warnings (unknown characters) count too.
execute_process(COMMAND ${GROFF} -man -ww -Tutf8 ${PAGE}
                RESULT_VARIABLE status ERROR_VARIABLE diagnostics OUTPUT_QUIET)
if(NOT status EQUAL 0 OR NOT diagnostics STREQUAL "")
  message(FATAL_ERROR "groff: ${PAGE} does not render cleanly (status ${status}):\n${diagnostics}")
endif()
if(MAN)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 ${MAN} --warnings -l ${PAGE}
                  RESULT_VARIABLE status ERROR_VARIABLE diagnostics OUTPUT_QUIET)
  if(NOT status EQUAL 0 OR NOT diagnostics STREQUAL "")
    message(FATAL_ERROR "man: ${PAGE} does not render cleanly (status ${status}):\n${diagnostics}")
  endif()
endif()
