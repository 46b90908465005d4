# The X server's top-level windows for the Linux platform (klavx11).
# libX11 is linked only when it is found; without it klavx11 knows no server.
# Include after the klavrun target is defined, so its end-to-end test is
# registered too.
find_package(X11)

set(KLAVX11_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(KLAVX11_ROOT ${KLAVX11_DIR}/../../.. ABSOLUTE)

if(X11_FOUND)
  add_library(klavx11 STATIC ${KLAVX11_DIR}/x11_windows.cc)
  target_link_libraries(klavx11 PRIVATE X11::X11)
else()
  add_library(klavx11 STATIC ${KLAVX11_DIR}/x11_windows_none.cc)
endif()
target_include_directories(klavx11 PUBLIC ${KLAVX11_ROOT}/src)

# The tests need a real X server: each runs under its own xvfb-run. Two
# xvfb-run -a started together can pick the same display, hence the lock.
find_program(KLAVX11_XVFB_RUN xvfb-run)
if(KLAVRUN_TESTS AND X11_FOUND AND KLAVX11_XVFB_RUN)
  enable_testing()
  if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
  endif()
  add_executable(klavx11_tests ${KLAVX11_DIR}/x11_windows_test.cc)
  target_link_libraries(klavx11_tests klavx11 X11::X11 GTest::gtest_main)
  add_test(NAME x11_windows COMMAND ${KLAVX11_XVFB_RUN} -a
                                    $<TARGET_FILE:klavx11_tests>)
  set_tests_properties(x11_windows PROPERTIES
    TIMEOUT 120 RESOURCE_LOCK xvfb_run)

  # Windows with given titles, and the focus, for the end-to-end test.
  add_executable(xwindows ${KLAVX11_ROOT}/tests/helpers/xwindows.cc)
  target_link_libraries(xwindows X11::X11)

  if(TARGET klavrun)
    add_test(NAME e2e_x11
             COMMAND ${KLAVX11_XVFB_RUN} -a /usr/bin/python3
                     ${KLAVX11_ROOT}/tests/e2e/test_x11.py)
    set_tests_properties(e2e_x11 PROPERTIES
      TIMEOUT 300
      RESOURCE_LOCK xvfb_run
      ENVIRONMENT
        "KLAVRUN=$<TARGET_FILE:klavrun>;XWINDOWS=$<TARGET_FILE:xwindows>")
  endif()
endif()
