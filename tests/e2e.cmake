# End-to-end scenarios: the real program from a fresh distribution folder,
# driven with real X input. One entry per module of tests/e2e, so that each
# reports on its own. Every scenario has an X server and a sound server of
# its own (tests/e2e/harness.py), so scenarios may run beside each other and
# beside the suites.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
file(GLOB e2e_modules CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/test_*.py)
foreach(module ${e2e_modules})
  get_filename_component(name ${module} NAME_WE)
  string(REGEX REPLACE "^test_" "e2e_" entry ${name})
  add_test(NAME ${entry}
    COMMAND ${Python3_EXECUTABLE} -m unittest -v ${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
  set_tests_properties(${entry} PROPERTIES TIMEOUT 900 LABELS e2e COST 100
    ENVIRONMENT "MOJIPOT_SOURCE_DIR=${CMAKE_SOURCE_DIR};MOJIPOT_DIST_DIR=${MOJIPOT_DIST_DIR};PYTHONDONTWRITEBYTECODE=1")
endforeach()
# The scenarios start before the suites, the longest (the switch scenarios,
# about five minutes) first, so that the short suites fill the gaps.
set_tests_properties(e2e_switch PROPERTIES COST 300)
