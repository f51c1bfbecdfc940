# The unit tests run the teachers' command qora-records as a program, so it
# is built with them.
if(TARGET qora-records)
  add_dependencies(qora_tests qora-records)
endif()
