# Two computers on one class folder: a private sshd on the loopback, the
# export mounted twice with sshfs; the rush and the kill of
# tests/two_computers.sh. Skipped (77) where sshd, sshfs or FUSE is missing.
add_test(NAME two_computers_one_share
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/two_computers.sh $<TARGET_FILE:shared-folder-bench>
                 $<TARGET_FILE:qora-records>)
set_tests_properties(two_computers_one_share PROPERTIES TIMEOUT 240 SKIP_RETURN_CODE 77)
