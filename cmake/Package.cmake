# The Debian package of the tool (make deb): qmate in /usr/bin, the shipped word files in
# /usr/share/qmate/setup (found from the tool as ../share/qmate/setup), the manual page and
# the git pre-commit hook.

# The manual page is printed by the built tool from the tables of its --help, so the two
# cannot disagree; gzip -n keeps the package the same from one build to the next.
set(QMATE_MAN_PAGE ${CMAKE_BINARY_DIR}/qmate.1.gz)
add_custom_command(OUTPUT ${QMATE_MAN_PAGE}
  COMMAND $<TARGET_FILE:qmate> --help-man > ${CMAKE_BINARY_DIR}/qmate.1
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/qmate.1
  DEPENDS qmate
  VERBATIM)
add_custom_target(qmate_man ALL DEPENDS ${QMATE_MAN_PAGE})
install(FILES ${QMATE_MAN_PAGE} DESTINATION share/man/man1)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/dist/pre-commit DESTINATION share/qmate)

# cpack installs what make deb has built (qmate and its manual page), not every target.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmate)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "re-indenter for Clipper and xBase code")
set(CPACK_PACKAGE_DESCRIPTION "qmate re-indents Clipper programs and headers (.prg, .ch), respells their
keywords, comments and annotates lines, lists their procedures and infers the
settings that fit a project's own indentation. It runs the code of the Far
Manager plug-in Quillmate, so both give the same results; qmate lsp serves
editors through the Language Server Protocol.")
set(QMATE_MAINTAINER "Quillmate maintainers <maintainers@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QMATE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
