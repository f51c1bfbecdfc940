# The Debian package built by cpack, unpacked into a temporary root and run
# from there as the desktop menu would start it; lintian and the desktop and
# AppStream validators on what it installs.
find_program(QORA_DPKG_DEB dpkg-deb REQUIRED)
find_program(QORA_LINTIAN lintian REQUIRED)
find_program(QORA_DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(QORA_APPSTREAMCLI appstreamcli REQUIRED)
find_program(QORA_IDENTIFY identify REQUIRED)
add_test(NAME install_package
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install_check.sh ${CMAKE_BINARY_DIR}
                 ${CMAKE_SOURCE_DIR} ${CMAKE_CPACK_COMMAND})
set_tests_properties(install_package PROPERTIES TIMEOUT 300)
