# The folders include one another only downward, and never in a cycle.
find_program(QORA_PYTHON3 python3 REQUIRED)
add_test(NAME layers COMMAND ${QORA_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/check-layers ${CMAKE_SOURCE_DIR})
set_tests_properties(layers PROPERTIES TIMEOUT 60)
