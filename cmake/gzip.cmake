# Compresses one file as Debian wants its man pages and changelogs: best
# compression, and no name or time in the header, so that the same input always
# gives the same bytes.
#   cmake -DGZIP=/usr/bin/gzip -DIN=page.1 -DOUT=page.1.gz -P gzip.cmake
execute_process(COMMAND ${GZIP} -9nc ${IN} OUTPUT_FILE ${OUT}.tmp RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUT}.tmp)
  message(FATAL_ERROR "gzip could not compress ${IN} (status ${status})")
endif()
file(RENAME ${OUT}.tmp ${OUT})
