# A short soak of the real program under random X input (bench/soak.py runs
# the full ten minutes by hand). It drives a whole program under a sanitizer
# and its own X display and sound server, so it runs alone.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME soak_short
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/soak.py --seconds 45 --dist ${MOJIPOT_DIST_DIR})
set_tests_properties(soak_short PROPERTIES RUN_SERIAL TRUE TIMEOUT 300 LABELS soak
  ENVIRONMENT "MOJIPOT_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
