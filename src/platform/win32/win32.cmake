# klavrun.exe: the core over the real Win32 calls, cross-compiled with
# MinGW-w64 (see cmake/mingw-i686.cmake). Included by the top-level
# CMakeLists.txt when building for Windows.

set(KLAVRUN_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(KLAVRUN_ROOT ${KLAVRUN_WIN32_DIR}/../../.. ABSOLUTE)

# Statically linked, so the executables import nothing but system DLLs
# and run on a bare Windows (or Wine) without MinGW's runtime DLLs.
set(KLAVRUN_WIN32_LINK_OPTIONS -static -static-libgcc -static-libstdc++)

add_library(klavwin32 STATIC
  ${KLAVRUN_WIN32_DIR}/console.cc
  ${KLAVRUN_WIN32_DIR}/idle_wait.cc
  ${KLAVRUN_WIN32_DIR}/kernel32.cc
  ${KLAVRUN_WIN32_DIR}/user32.cc
)
target_include_directories(klavwin32 PUBLIC ${KLAVRUN_ROOT}/src)
target_link_libraries(klavwin32 PUBLIC user32 kernel32)

# The version resource and the manifest (asInvoker, Windows 7 to 11) carry
# the project's version.
enable_language(RC)
set(KLAVRUN_MANIFEST ${CMAKE_BINARY_DIR}/generated/klavrun.manifest)
configure_file(${KLAVRUN_WIN32_DIR}/klavrun.manifest.in ${KLAVRUN_MANIFEST} @ONLY)
configure_file(${KLAVRUN_WIN32_DIR}/klavrun.rc.in ${CMAKE_BINARY_DIR}/generated/klavrun.rc @ONLY)

add_executable(klavrun ${KLAVRUN_WIN32_DIR}/main_win32.cc
               ${CMAKE_BINARY_DIR}/generated/klavrun.rc)
target_link_libraries(klavrun PRIVATE klavcore klavwin32)
# Release builds are stripped: the debug sections are most of the file.
target_link_options(klavrun PRIVATE ${KLAVRUN_WIN32_LINK_OPTIONS} $<$<CONFIG:Release>:-s>)

# `cmake --build build-win --target package` (or cpack) makes
# klavrun-VERSION-win32.zip: the program, the README, the examples and the
# licence when there is one.
install(TARGETS klavrun RUNTIME DESTINATION .)
install(FILES ${KLAVRUN_ROOT}/README.md DESTINATION .)
install(DIRECTORY ${KLAVRUN_ROOT}/examples/ DESTINATION examples)
if(EXISTS ${KLAVRUN_ROOT}/LICENSE)
  install(FILES ${KLAVRUN_ROOT}/LICENSE DESTINATION .)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME klavrun-${PROJECT_VERSION}-win32)
include(CPack)

if(KLAVRUN_TESTS)
  # GoogleTest from the sources Debian ships, built with this toolchain.
  # gtest_disable_pthreads: on Windows it uses its own Win32 locking.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(KLAVRUN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
      "GoogleTest sources to build the Windows unit tests with")
  add_subdirectory(${KLAVRUN_GOOGLETEST_SOURCE}
                   ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # Executables linking GTest (the core's unit tests included) get the same
  # static runtime as klavrun.exe.
  target_link_options(gtest_main INTERFACE ${KLAVRUN_WIN32_LINK_OPTIONS})

  # The translation layer against the real calls; its window tests need an
  # X display, so tests/wine/run.sh runs it rather than ctest.
  add_executable(klavrun_win32_tests
    ${KLAVRUN_WIN32_DIR}/win32_platform_test.cc)
  target_link_libraries(klavrun_win32_tests PRIVATE klavwin32
                        GTest::gtest_main)

  # Console programs the end-to-end tests start from their scripts.
  foreach(helper prompt_helper probe_helper)
    add_executable(${helper}
      ${KLAVRUN_ROOT}/tests/wine/helpers/${helper}.cc)
    target_link_libraries(${helper} PRIVATE user32 kernel32)
    target_link_options(${helper} PRIVATE ${KLAVRUN_WIN32_LINK_OPTIONS})
  endforeach()
endif()
