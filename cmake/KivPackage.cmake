# What `cmake --install` puts where, and the Debian package that
# `cpack -G DEB` builds from it: the three programs, the desktop entry, the
# program's icon in the hicolor theme at every size the resources tool draws,
# the AppStream metainfo and the systemd unit of the server.
include(GNUInstallDirs)

install(TARGETS kiv kiv-cli kiv-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(KIV_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/kiv.desktop.in ${KIV_PACKAGING_DIR}/${KIV_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/kiv.metainfo.xml.in ${KIV_PACKAGING_DIR}/${KIV_APP_ID}.metainfo.xml
               @ONLY)
install(FILES ${KIV_PACKAGING_DIR}/${KIV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KIV_PACKAGING_DIR}/${KIV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The server's unit names the program where the package puts it (cpack
# installs under /usr whatever the build's own install prefix is).
set(KIV_SERVER_PATH /usr/${CMAKE_INSTALL_BINDIR}/kiv-server)
configure_file(${PROJECT_SOURCE_DIR}/packaging/kiv-server.service.in ${KIV_PACKAGING_DIR}/kiv-server.service @ONLY)
install(FILES ${KIV_PACKAGING_DIR}/kiv-server.service DESTINATION lib/systemd/system)
foreach(side 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icon/${side}/128.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${side}x${side}/apps RENAME ${KIV_APP_ID}.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kiv developers")
set(CPACK_PACKAGE_CONTACT "The Kiv developers <kiv@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "木棉 (Kiv) instant messenger, its chat server and headless client")
# The body below the summary line; CPack indents it and marks the empty line.
set(CPACK_PACKAGE_DESCRIPTION
    "kiv is the desktop client (${KIV_FILE_DESCRIPTION}): accounts are mobile phone
numbers; it chats privately and in groups, searches users and groups, keeps
profiles, avatars and the history of past conversations.

kiv-server is a chat and avatar server to run your own (with demo accounts),
kiv-cli a client without windows for scripts.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends from the libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese texts need a CJK font; Wayland sessions want Qt's Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-wayland, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
