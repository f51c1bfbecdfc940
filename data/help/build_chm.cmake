# Compiles the help pages into a CHM file (run with cmake -P).
#   SRC_DIR    folder of the pages and of qora.hhp / qora.hhc
#   STAGE_DIR  scratch folder for the compiler
#   OUT        where the finished qora.chm goes
#   CHMCMD     the compiler
#   ICONV      iconv, or empty
#   FILES      the pages and style sheet, separated by "|"
#
# Compiled help is read by viewers in the code page of the language it
# declares (Russian: Windows-1251), so the staged pages, contents and project
# are converted to Windows-1251 and their charset declarations follow. The
# HTML copy of the play folder stays UTF-8.

string(REPLACE "|" ";" files "${FILES}")
file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")

foreach(f ${files} qora.hhp qora.hhc)
  if(NOT ICONV OR f MATCHES "\\.css$")
    file(COPY "${SRC_DIR}/${f}" DESTINATION "${STAGE_DIR}")
    continue()
  endif()
  file(READ "${SRC_DIR}/${f}" text)
  string(REPLACE "<meta charset=\"utf-8\">"
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
         text "${text}")
  file(WRITE "${STAGE_DIR}/${f}.utf8" "${text}")
  execute_process(COMMAND "${ICONV}" -f UTF-8 -t WINDOWS-1251 "${STAGE_DIR}/${f}.utf8"
                  OUTPUT_FILE "${STAGE_DIR}/${f}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "help: ${f} holds characters outside Windows-1251 "
                        "(write them as HTML entities): ${err}")
  endif()
  file(REMOVE "${STAGE_DIR}/${f}.utf8")
endforeach()

execute_process(COMMAND "${CHMCMD}" qora.hhp
                WORKING_DIRECTORY "${STAGE_DIR}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(chm "${STAGE_DIR}/qora.chm")
if(NOT rc EQUAL 0 OR NOT EXISTS "${chm}")
  message(FATAL_ERROR "help: chmcmd failed (${rc}): ${out}${err}")
endif()
# Every compiled help file begins with the signature "ITSF".
file(READ "${chm}" magic LIMIT 4 HEX)
if(NOT magic STREQUAL "49545346")  # "ITSF"
  message(FATAL_ERROR "help: ${chm} is not a compiled help file")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${chm}" "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help: cannot copy ${chm} to ${OUT}")
endif()
