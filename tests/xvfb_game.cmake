# A whole game in the real program under a real X server (Xvfb, started by the script).
add_test(NAME xvfb_game
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_game.sh $<TARGET_FILE:qora>
                 $<TARGET_FILE:qora-records> ${QORA_PLAYDIR})
set_tests_properties(xvfb_game PROPERTIES TIMEOUT 240)
