# cmake --install and the Debian package (cpack -G DEB). Included last, so
# that every program target exists. The Windows build is shipped as a zip
# of its own.
if(WIN32)
  return()
endif()

# Directories get the usual modes whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

find_program(KLAVRUN_GZIP gzip REQUIRED)

foreach(program IN ITEMS klavrun klavtrace klavcheck)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

add_subdirectory(man)

install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# What Debian wants beside the documentation: the license in its own format
# and a compressed changelog (a native package's is changelog.gz).
set(KLAVRUN_DEB_DIR ${PROJECT_SOURCE_DIR}/packaging/deb)
configure_file(${KLAVRUN_DEB_DIR}/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   COMMAND ${KLAVRUN_GZIP} -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
                   VERBATIM)
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${KLAVRUN_DEB_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME klavrun)
set(CPACK_PACKAGE_VENDOR "the Klavrun developers")
set(CPACK_PACKAGE_CONTACT "the Klavrun developers <klavrun@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "drive interactive console programs from a script")
# Wrapped by hand: the package's description is shown as it is written.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Klavrun runs a plain-text script that starts programs on a console of its"
  "own, waits while a text is absent from (or present on) that console's"
  "screen and types keystrokes into it: logins, installers and interactive"
  "tools driven unattended, in CI, from cron or over ssh."
  ""
  "The package holds klavrun, klavtrace (a dry run that prints every"
  "platform call a script would make) and, when built, klavcheck (finds a"
  "script's mistakes before it runs).")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
