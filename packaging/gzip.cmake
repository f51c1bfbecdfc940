# Compresses IN into OUT as Debian wants manual pages and changelogs: best
# compression, no name or time stamp in the header, so that builds repeat.
#   cmake -DGZIP=... -DIN=... -DOUT=... -P gzip.cmake
execute_process(COMMAND ${GZIP} -9nc ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "gzip failed on ${IN}")
endif()
