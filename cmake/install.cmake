# Installation (GNU layout) and the Debian package made by `cpack -G DEB`.
include(GNUInstallDirs)

set(KESTRUM_MAINTAINER "Seed 8e933273 maintainers <maintainers@users.noreply.c-seed-8e933273.example>")
set(KESTRUM_SUMMARY "serial terminal for a microcontroller's UART")
set(KESTRUM_DATA ${CMAKE_SOURCE_DIR}/data)
set(KESTRUM_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrum)

configure_file(${KESTRUM_DATA}/kestrum.1.in ${CMAKE_BINARY_DIR}/kestrum.1 @ONLY)
configure_file(${KESTRUM_DATA}/org.kestrum.Kestrum.metainfo.xml
               ${CMAKE_BINARY_DIR}/org.kestrum.Kestrum.metainfo.xml @ONLY)
configure_file(${KESTRUM_DATA}/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)

install(TARGETS kestrum RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KESTRUM_DATA}/kestrum.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTRUM_DATA}/kestrum.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/org.kestrum.Kestrum.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/kestrum.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTRUM_DATA}/copyright DESTINATION ${KESTRUM_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VENDOR "Kestrum")
set(CPACK_PACKAGE_CONTACT "${KESTRUM_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${KESTRUM_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrum talks to the UART of a microcontroller over its Rx and Tx lines.
Choose the port and its line parameters, open the port, send the text of the
send box, and watch what comes back framed into messages by a receive timeout,
newest first, optionally stamped with date, time and size, counted and appended
to an autosave log. The received text can be opened, saved and printed.
The interface is in English or Russian, switchable while the program runs.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTRUM_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows are laid out for Liberation Sans; nothing links against a font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Debian wants the manual page and the changelog compressed; a plain install
# keeps the manual page as it is.
set(CPACK_KESTRUM_CHANGELOG ${CMAKE_BINARY_DIR}/changelog)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian-files.cmake)
include(CPack)
