# The Debian package: `cpack` in the build folder makes dustlyn_VERSION_ARCH.deb from what
# `cmake --install` lays out, installed into /usr.
set(dustlyn_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/dustlyn)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(dustlyn_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${dustlyn_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dustlyn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Dustlyn maintainers <maintainers@dustlyn.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps the Desktop, screenshots and Downloads tidy")
# CPack sets the summary as the first line and indents these paragraphs itself.
set(CPACK_PACKAGE_DESCRIPTION
    "Dustlyn keeps the Desktop, the screenshot folder and Downloads tidy without
ever losing a file by surprise. Rules say which files in which folders may go
and how old they must be; a file whose deadline passes moves into a quarantine
folder, where it can be restored for 7 days before it is deleted for good.

It runs on the desktop as a small notch with a tray item, or without windows
as the systemd user service dustlyn.service; the dustlyn command scans,
sweeps, restores, undoes and changes the rules from the shell.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://dustlyn.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders are made by root with the usual modes, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
