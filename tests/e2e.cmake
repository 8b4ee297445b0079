# End-to-end scenarios: the real program from a fresh distribution folder,
# driven with real X input. They share the sound sink, so they run alone.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME e2e_scenarios
  COMMAND ${Python3_EXECUTABLE} -m unittest discover -v -s ${CMAKE_CURRENT_SOURCE_DIR}/e2e -p "test_*.py")
set_tests_properties(e2e_scenarios PROPERTIES RUN_SERIAL TRUE TIMEOUT 900
  ENVIRONMENT "MOJIPOT_SOURCE_DIR=${CMAKE_SOURCE_DIR};MOJIPOT_DIST_DIR=${MOJIPOT_DIST_DIR}")
