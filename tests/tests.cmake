# Unit tests: the core driven through the recording platform.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()

set(KLAVRUN_UNIT_TEST_SOURCES
  src/runner/classify_test.cc
  src/runner/commands_test.cc
  src/runner/conditional_test.cc
  src/text/integer_test.cc
  src/runner/main_test.cc
  src/runner/screen_test.cc
  src/runner/script_test.cc
  src/runner/settle_test.cc
  src/keys/activate_test.cc
  src/keys/inject_test.cc
  src/keys/key_names_test.cc
  src/keys/send_keys_test.cc
  src/platform/us_layout_test.cc
  src/platform/record/record_test_support.cc
)
add_executable(klavrun_tests ${KLAVRUN_UNIT_TEST_SOURCES})
target_link_libraries(klavrun_tests klavcore klavrecord GTest::gtest_main)
set_property(TARGET klavrun_tests PROPERTY KLAVRUN_PLATFORM klavrecord)

if(CMAKE_CROSSCOMPILING)
  add_test(NAME unit_tests COMMAND klavrun_tests)
else()
  include(GoogleTest)
  gtest_discover_tests(klavrun_tests DISCOVERY_TIMEOUT 30)
endif()

# End-to-end: the built programs on real script files, cases written as data.
if(TARGET klavrun AND TARGET klavtrace)
  add_test(NAME e2e_cases_run
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/cases/run_cases.py
                   ${CMAKE_SOURCE_DIR}/tests/cases/run)
  set_tests_properties(e2e_cases_run PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "KLAVRUN=$<TARGET_FILE:klavrun>;KLAVTRACE=$<TARGET_FILE:klavtrace>")
endif()

# Figures to watch, not tests.
if(TARGET klavcheck AND NOT CMAKE_CROSSCOMPILING)
  add_executable(klavcheck_bench bench/check_bench.cc)
  target_link_libraries(klavcheck_bench klavchecker klavrecord)
  set_property(TARGET klavcheck_bench PROPERTY KLAVRUN_PLATFORM klavrecord)
endif()
find_package(benchmark QUIET)
if(benchmark_FOUND AND NOT CMAKE_CROSSCOMPILING)
  add_executable(klavrun_bench bench/screen_bench.cc)
  target_link_libraries(klavrun_bench klavcore klavrecord benchmark::benchmark)
  set_property(TARGET klavrun_bench PROPERTY KLAVRUN_PLATFORM klavrecord)
endif()

# klavcheck: one case per tests/check/*.check, and every shipped example
# checked clean.
if(TARGET klavcheck AND NOT CMAKE_CROSSCOMPILING)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  file(GLOB KLAVCHECK_CASES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/check/*.check)
  foreach(case IN LISTS KLAVCHECK_CASES)
    get_filename_component(name ${case} NAME_WE)
    add_test(NAME check_${name}
             COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/check/run_case.py ${case})
    set_tests_properties(check_${name} PROPERTIES
      ENVIRONMENT "KLAVCHECK=$<TARGET_FILE:klavcheck>")
  endforeach()
  if(TEST e2e_readme)
    set_property(TEST e2e_readme APPEND PROPERTY
                 ENVIRONMENT "KLAVCHECK=$<TARGET_FILE:klavcheck>")
  endif()
  file(GLOB KLAVRUN_EXAMPLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/*.klav)
  add_test(NAME check_examples COMMAND klavcheck ${KLAVRUN_EXAMPLES})
  set_tests_properties(check_examples PROPERTIES
    PASS_REGULAR_EXPRESSION "^klavcheck: 0 errors, 0 warnings in [0-9]+ scripts\n$")
endif()
