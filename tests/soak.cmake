# A short soak of the real program under random X input (bench/soak.py runs
# the full ten minutes by hand). It has an X display, a sound server, a print
# queue and a mail server of its own, so it may run beside the other tests.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME soak_short
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/soak.py --seconds 45 --dist ${MOJIPOT_DIST_DIR})
set_tests_properties(soak_short PROPERTIES TIMEOUT 300 LABELS soak COST 50
  ENVIRONMENT "MOJIPOT_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
