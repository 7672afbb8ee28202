# Installing Keyfold as a desktop program, and making a Debian package of it.
#   cmake --install build --prefix /usr/local      installs the program, its desktop entry, icons and metainfo
#   (cd build && cpack -G DEB)                      makes keyfold_<version>_<arch>.deb
include(GNUInstallDirs)

set(KEYFOLD_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KEYFOLD_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources)

install(TARGETS keyfold RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KEYFOLD_PACKAGING_DIR}/keyfold.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KEYFOLD_RESOURCES_DIR}/keyfold-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME keyfold.png)
install(FILES ${KEYFOLD_RESOURCES_DIR}/keyfold.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KEYFOLD_PACKAGING_DIR}/io.keyfold.keyfold.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The Debian package. Its library dependencies are computed from the binary by dpkg-shlibdeps; the Japanese font
# is needed to show any of the program's text, the toolkit's Japanese translations only for its own dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyfold)
set(CPACK_PACKAGE_VENDOR "Keyfold developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "book of internet account records")
set(CPACK_PACKAGE_CONTACT "Keyfold developers <info@example.com>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Keyfold developers <info@example.com>")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Keyfold keeps, for each internet provider, the dial-up account, password and
access-point number, the FTP server, account and password, the web page, the
news server, and the mail servers, address and password, in a Shift-JIS text
file. A master key guards the start. The user interface is Japanese.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
