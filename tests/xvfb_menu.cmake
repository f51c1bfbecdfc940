# The real program's menu under a real X server (Xvfb, started by the script).
add_test(NAME xvfb_menu
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_menu.sh $<TARGET_FILE:qora> ${QORA_PLAYDIR})
set_tests_properties(xvfb_menu PROPERTIES TIMEOUT 240)
