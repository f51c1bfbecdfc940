# The Windows build's unit tests: those that need no Linux system calls
# (files through the Windows layer, records, the codec, the task generator,
# the surface headless), with GoogleTest built from the source Debian ships
# in libgtest-dev. scripts/check-windows runs them under Wine.
set(QORA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${QORA_GTEST_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(win_tests attempt datafiles gallery groups input surface toolkit game platform_win)
set(win_sources)
foreach(t ${win_tests})
  list(APPEND win_sources ${CMAKE_CURRENT_SOURCE_DIR}/${t}_test.cpp)
endforeach()
add_executable(qora_tests ${win_sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/test_main.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support_win.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/support/test_files.cpp)
target_include_directories(qora_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qora_tests PRIVATE qoralib gtest)
# The source and build trees as Wine sees them (its drive Z: is the root).
string(REPLACE "/" "\\\\" win_src "Z:${CMAKE_SOURCE_DIR}")
string(REPLACE "/" "\\\\" win_bin "Z:${CMAKE_BINARY_DIR}")
target_compile_definitions(qora_tests PRIVATE QORA_SOURCE_DIR="${win_src}" QORA_BINARY_DIR="${win_bin}")
# The faces the game falls back on lie beside the program, as in the package.
add_custom_command(TARGET qora_tests POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QORA_PLAYDIR}/fonts ${CMAKE_CURRENT_BINARY_DIR}/fonts)
add_dependencies(qora_tests winfonts)
