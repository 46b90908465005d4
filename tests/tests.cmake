# Unit tests: the core driven through the recording platform.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()

set(KLAVRUN_UNIT_TEST_SOURCES
  src/runner/classify_test.cc
  src/runner/commands_test.cc
  src/runner/conditional_test.cc
  src/runner/integer_test.cc
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
find_package(benchmark QUIET)
if(benchmark_FOUND AND NOT CMAKE_CROSSCOMPILING)
  add_executable(klavrun_bench bench/screen_bench.cc)
  target_link_libraries(klavrun_bench klavcore klavrecord benchmark::benchmark)
endif()
