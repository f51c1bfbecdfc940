# The teachers' command qora-records: the unit tests run the built program,
# so it is built with them; the script checks its exit statuses on its own.
if(TARGET qora-records)
  add_dependencies(qora_tests qora-records)
  add_test(NAME qora_records_cli
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/qora_records.sh $<TARGET_FILE:qora-records>
                   ${CMAKE_SOURCE_DIR}/data/001)
  set_tests_properties(qora_records_cli PROPERTIES TIMEOUT 60)
endif()
