# The Linux platform: klavrun with a console of its own (a pseudo-terminal
# and a libvterm screen model).
find_package(PkgConfig REQUIRED)
pkg_check_modules(VTERM REQUIRED IMPORTED_TARGET vterm)

set(KLAVRUN_POSIX_DIR ${CMAKE_CURRENT_LIST_DIR})

# Everything but main, so the unit tests can link the pure pieces.
add_library(klavposix STATIC
  ${KLAVRUN_POSIX_DIR}/asciicast.cc
  ${KLAVRUN_POSIX_DIR}/command_line.cc
  ${KLAVRUN_POSIX_DIR}/console.cc
  ${KLAVRUN_POSIX_DIR}/files.cc
  ${KLAVRUN_POSIX_DIR}/keyboard.cc
  ${KLAVRUN_POSIX_DIR}/message_box.cc
  ${KLAVRUN_POSIX_DIR}/messages.cc
  ${KLAVRUN_POSIX_DIR}/process.cc
  ${KLAVRUN_POSIX_DIR}/recording.cc
  ${KLAVRUN_POSIX_DIR}/screen_model.cc
  ${KLAVRUN_POSIX_DIR}/session.cc
  ${KLAVRUN_POSIX_DIR}/window.cc
  ${CMAKE_SOURCE_DIR}/src/platform/us_layout.cc
  ${CMAKE_SOURCE_DIR}/src/platform/posix_file.cc
)
target_include_directories(klavposix PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(klavposix PUBLIC PkgConfig::VTERM util)

add_executable(klavrun ${KLAVRUN_POSIX_DIR}/main_posix.cc)
target_link_libraries(klavrun klavcore klavposix)

include(${KLAVRUN_POSIX_DIR}/x11.cmake)
target_link_libraries(klavposix PUBLIC klavx11)

if(KLAVRUN_TESTS)
  enable_testing()
  if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
  endif()
  add_executable(klavposix_tests
    ${KLAVRUN_POSIX_DIR}/asciicast_test.cc
    ${KLAVRUN_POSIX_DIR}/command_line_test.cc
    ${KLAVRUN_POSIX_DIR}/keyboard_test.cc
    ${KLAVRUN_POSIX_DIR}/screen_model_test.cc
  )
  target_link_libraries(klavposix_tests klavposix GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(klavposix_tests DISCOVERY_TIMEOUT 30)

  # A small program of our own for the console tests and the benchmark.
  add_executable(klavhelper ${CMAKE_SOURCE_DIR}/tests/helpers/klavhelper.cc)
  # The benchmark's yardstick: the same workloads as fast as the kernel allows.
  add_executable(klavlimit ${CMAKE_SOURCE_DIR}/bench/limit.cc)
  target_link_libraries(klavlimit util)

  add_test(NAME e2e_console
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_console.py)
  set_tests_properties(e2e_console PROPERTIES
    TIMEOUT 600
    ENVIRONMENT "KLAVRUN=$<TARGET_FILE:klavrun>;KLAVHELPER=$<TARGET_FILE:klavhelper>")

  add_test(NAME e2e_record
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_record.py)
  set_tests_properties(e2e_record PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "KLAVRUN=$<TARGET_FILE:klavrun>;KLAVHELPER=$<TARGET_FILE:klavhelper>")

  # End-to-end cases written as data: a script and its expected outcome.
  add_test(NAME e2e_cases_console
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/cases/run_cases.py
                   ${CMAKE_SOURCE_DIR}/tests/cases/console)
  set_tests_properties(e2e_cases_console PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "KLAVRUN=$<TARGET_FILE:klavrun>;KLAVHELPER=$<TARGET_FILE:klavhelper>;KLAVTRACE=$<TARGET_FILE:klavtrace>")

  add_test(NAME e2e_readme
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_readme.py)
  set_tests_properties(e2e_readme PROPERTIES
    TIMEOUT 120 ENVIRONMENT "KLAVRUN=$<TARGET_FILE:klavrun>")

  add_test(NAME e2e_terminal
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_terminal.py)
  set_tests_properties(e2e_terminal PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "KLAVRUN=$<TARGET_FILE:klavrun>;KLAVHELPER=$<TARGET_FILE:klavhelper>")
endif()
