# The class report of qora-records, read back with Python's HTML parser.
find_program(QORA_PYTHON3 python3 REQUIRED)
add_test(NAME qora_records_report
         COMMAND ${QORA_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/report_check.py $<TARGET_FILE:qora-records>)
set_tests_properties(qora_records_report PROPERTIES TIMEOUT 120)
