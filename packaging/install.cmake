# Installing Keyfold as a desktop program, and making a Debian package of it.
#   cmake --install build --prefix /usr/local      installs the program, its desktop entry, icons, MIME type,
#                                                   metainfo and manual pages
#   (cd build && cpack -G DEB)                      makes keyfold_<version>_<arch>.deb
include(GNUInstallDirs)

set(KEYFOLD_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KEYFOLD_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources)
set(KEYFOLD_MAN_DIR ${CMAKE_CURRENT_LIST_DIR}/../man)
set(KEYFOLD_MAINTAINER "Keyfold developers <info@example.com>")

# Folders get the usual modes whatever the umask of the one who installs or packages.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS keyfold RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The compiler's version notes serve no one at run time.
install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/keyfold\")")
install(FILES ${KEYFOLD_PACKAGING_DIR}/keyfold.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KEYFOLD_RESOURCES_DIR}/keyfold-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME keyfold.png)
install(FILES ${KEYFOLD_RESOURCES_DIR}/keyfold.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KEYFOLD_PACKAGING_DIR}/io.keyfold.keyfold.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Books in the file manager: their MIME type (the package's trigger of shared-mime-info, or update-mime-database
# after a plain install, brings it into the database) and its icon, the program's own.
install(FILES ${KEYFOLD_PACKAGING_DIR}/keyfold-book.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME keyfold.xml)
install(FILES ${KEYFOLD_RESOURCES_DIR}/keyfold-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/mimetypes RENAME application-x-keyfold-book.png)
install(FILES ${KEYFOLD_RESOURCES_DIR}/keyfold.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes RENAME application-x-keyfold-book.svg)

# Manual pages, compressed as Debian wants them (gzip -9n: no name, no time stamp), and the Debian changelog made
# from CHANGELOG.md.
set(KEYFOLD_DOC_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)
foreach(lang en ja)
    set(source ${KEYFOLD_MAN_DIR}/en/keyfold.1)
    set(section man1)
    if(lang STREQUAL ja)
        set(source ${KEYFOLD_MAN_DIR}/keyfold.1)
        set(section ja/man1)
    endif()
    add_custom_command(OUTPUT ${KEYFOLD_DOC_BUILD_DIR}/${lang}/keyfold.1.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${KEYFOLD_DOC_BUILD_DIR}/${lang}
                       COMMAND gzip -9n -c ${source} > ${KEYFOLD_DOC_BUILD_DIR}/${lang}/keyfold.1.gz
                       DEPENDS ${source} VERBATIM)
    list(APPEND KEYFOLD_DOC_FILES ${KEYFOLD_DOC_BUILD_DIR}/${lang}/keyfold.1.gz)
    install(FILES ${KEYFOLD_DOC_BUILD_DIR}/${lang}/keyfold.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${section})
endforeach()
add_custom_command(OUTPUT ${KEYFOLD_DOC_BUILD_DIR}/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/CHANGELOG.md
                           -DOUT=${KEYFOLD_DOC_BUILD_DIR}/changelog.gz -DPACKAGE=keyfold
                           -DMAINTAINER=${KEYFOLD_MAINTAINER} -P ${KEYFOLD_PACKAGING_DIR}/debian/changelog.cmake
                   DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${KEYFOLD_PACKAGING_DIR}/debian/changelog.cmake VERBATIM)
add_custom_target(keyfold_docs ALL DEPENDS ${KEYFOLD_DOC_FILES} ${KEYFOLD_DOC_BUILD_DIR}/changelog.gz)
install(FILES ${KEYFOLD_DOC_BUILD_DIR}/changelog.gz ${KEYFOLD_PACKAGING_DIR}/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/keyfold)

# The Debian package. Its library dependencies are computed from the binary by dpkg-shlibdeps; the rest is what the
# program needs to look as it should: the toolkit's Japanese texts and the Japanese font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyfold)
set(CPACK_PACKAGE_VENDOR "Keyfold developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "book of internet account records")
set(CPACK_PACKAGE_CONTACT ${KEYFOLD_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KEYFOLD_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Keyfold keeps, for each internet provider, the dial-up account, password and
access-point number, the FTP server, account and password, the web page, the
news server, and the mail servers, address and password, in a Shift-JIS text
file. A master key guards the start. The user interface is Japanese.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
