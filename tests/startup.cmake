# Start-up without the data files: the message and exit status of the program.
add_test(NAME startup_missing_data
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/startup_missing_data.sh $<TARGET_FILE:qora>
                 ${CMAKE_SOURCE_DIR})
set_tests_properties(startup_missing_data PROPERTIES TIMEOUT 60)
