# The help document in the play folder: the HTML pages, and the compiled help
# when the machine has the CHM compiler.
find_program(QORA_CHMLS NAMES chmls chmls-3.2.2)
add_test(NAME help_in_play_folder
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/help_check.sh
          ${QORA_PLAYDIR} ${CMAKE_SOURCE_DIR}/data/help "${QORA_CHMCMD}" "${QORA_CHMLS}")
