# Under a real X server (Xvfb, started by each script): the keyboard and the
# window (keyprobe), the real program's menu, and a whole game in it.
add_test(NAME xvfb_keys
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_keys.sh $<TARGET_FILE:keyprobe>)
add_test(NAME xvfb_menu
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_menu.sh $<TARGET_FILE:qora> ${QORA_PLAYDIR})
add_test(NAME xvfb_game
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_game.sh $<TARGET_FILE:qora>
                 $<TARGET_FILE:qora-records> ${QORA_PLAYDIR})
set_tests_properties(xvfb_keys xvfb_menu xvfb_game PROPERTIES TIMEOUT 240)
