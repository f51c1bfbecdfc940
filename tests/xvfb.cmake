# The keyboard and the window under a real X server (Xvfb, started by the script).
add_test(NAME xvfb_keys
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_keys.sh $<TARGET_FILE:keyprobe>)
set_tests_properties(xvfb_keys PROPERTIES TIMEOUT 180)
