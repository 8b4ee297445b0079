# The Debian package, from the ordinary build only: made with CPack from this
# build, its files checked (dependencies, layout, desktop-file-validate,
# appstreamcli, lintian), and installed with apt for an ordinary user who
# uses it under Xvfb with a sound server of its own (needs the
# administrator; it holds the package system meanwhile). Label "package":
# the test script builds only what the package holds (package_contents) and
# runs these.
if(NOT MOJIPOT_SANITIZE AND NOT MOJIPOT_FUZZ)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME package_build
    COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -B ${CMAKE_BINARY_DIR}/package)
  set_tests_properties(package_build PROPERTIES FIXTURES_SETUP deb TIMEOUT 300 LABELS package)
  set(env "MOJIPOT_BUILD_DIR=${CMAKE_BINARY_DIR};MOJIPOT_DIST_DIR=${MOJIPOT_DIST_DIR};MOJIPOT_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  add_test(NAME package_files
    COMMAND ${Python3_EXECUTABLE} -m unittest -v test_package_files
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/package)
  set_tests_properties(package_files PROPERTIES FIXTURES_REQUIRED deb TIMEOUT 300 LABELS package ENVIRONMENT "${env}")
  add_test(NAME e2e_package
    COMMAND ${Python3_EXECUTABLE} -m unittest -v test_install
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/package)
  set_tests_properties(e2e_package PROPERTIES FIXTURES_REQUIRED deb RESOURCE_LOCK apt TIMEOUT 600 LABELS package
    ENVIRONMENT "${env}")
endif()
