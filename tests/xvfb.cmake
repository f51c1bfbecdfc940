# Under a real X server (Xvfb, started by each script): the keyboard and the
# windows of keyprobe and of the real program with its menu; a whole game
# played in the window, recorded, and replayed headless to the same result;
# full screen on tall displays.
add_test(NAME xvfb_window
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_window.sh $<TARGET_FILE:keyprobe> $<TARGET_FILE:qora>
                 ${QORA_PLAYDIR})
add_test(NAME xvfb_session
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_session.sh $<TARGET_FILE:qora>
                 $<TARGET_FILE:qora-records> ${QORA_PLAYDIR})
add_test(NAME xvfb_scaled
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_scaled.sh $<TARGET_FILE:qora> ${QORA_PLAYDIR})
set_tests_properties(xvfb_window xvfb_session xvfb_scaled PROPERTIES TIMEOUT 240)
