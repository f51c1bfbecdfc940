# Golden replays: whole programs run headless on the virtual clock from the
# scripts in tests/golden/NAME/, compared with the files in its expected/.
# scripts/accept-goldens takes a meant change as the new expected files.
file(GLOB QORA_GOLDEN_CASES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/golden/*/steps)
foreach(steps ${QORA_GOLDEN_CASES})
  get_filename_component(dir ${steps} DIRECTORY)
  get_filename_component(name ${dir} NAME)
  add_test(NAME golden_${name}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/golden.sh $<TARGET_FILE:qora> $<TARGET_FILE:qora-records>
                   ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/golden ${name})
  set_tests_properties(golden_${name} PROPERTIES TIMEOUT 300)
endforeach()
