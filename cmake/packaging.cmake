# Installing Molvane as a desktop program, and its Debian package.
#
#   cmake --install BUILD [--prefix DIR]    bin/molvane, the desktop entry, the
#                                           icons, the AppStream metainfo, the
#                                           man page and the Debian documents
#   cpack --config BUILD/CPackConfig.cmake  molvane_VERSION_ARCH.deb
#
# The files themselves are in packaging/ (see packaging/make_icons.sh for the
# icons).
include(GNUInstallDirs)

set(MOLVANE_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(MOLVANE_APP_ID org.example.molvane)
set(MOLVANE_SCREENSHOT_URL "https://molvane.example/screenshots"
    CACHE STRING "Where the screenshots named in the AppStream metainfo are published (docs/screenshot-*.png)")
set(MOLVANE_PACKAGED ${CMAKE_BINARY_DIR}/packaging)

configure_file(${MOLVANE_PACKAGING}/molvane.metainfo.xml.in ${MOLVANE_PACKAGED}/${MOLVANE_APP_ID}.metainfo.xml @ONLY)

# Debian wants the man page and the changelog compressed, with no time stamp
# in them (gzip -n), so that two builds give the same package.
find_program(MOLVANE_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${MOLVANE_PACKAGED}/molvane.6.gz ${MOLVANE_PACKAGED}/changelog.gz
  COMMAND ${MOLVANE_GZIP} -9nc ${MOLVANE_PACKAGING}/molvane.6 > ${MOLVANE_PACKAGED}/molvane.6.gz
  COMMAND ${MOLVANE_GZIP} -9nc ${MOLVANE_PACKAGING}/changelog > ${MOLVANE_PACKAGED}/changelog.gz
  DEPENDS ${MOLVANE_PACKAGING}/molvane.6 ${MOLVANE_PACKAGING}/changelog
  COMMENT "Compressing the man page and the changelog"
  VERBATIM)
add_custom_target(molvane_documents ALL DEPENDS ${MOLVANE_PACKAGED}/molvane.6.gz ${MOLVANE_PACKAGED}/changelog.gz)

install(TARGETS molvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MOLVANE_PACKAGING}/molvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MOLVANE_PACKAGED}/${MOLVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${MOLVANE_PACKAGING}/icons/molvane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME molvane.png)
endforeach()
install(FILES ${MOLVANE_PACKAGING}/icons/molvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${MOLVANE_PACKAGED}/molvane.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${MOLVANE_PACKAGING}/copyright ${MOLVANE_PACKAGED}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# ---- The Debian package ---------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME molvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Molvane maintainers <maintainers@users.noreply.c-seed-f6bc279e.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game: strike the rabbits before they hide")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Rabbits pop up from nine holes. Strike them with your bat, which takes the
place of the mouse pointer, before they duck back down: every rabbit that
gets away unhit costs a life, and a rare heart rabbit gives one back.
Ten levels of 30 seconds, each quicker than the last.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime dependencies are what dpkg-shlibdeps finds the program linked to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 2)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_games_dir.cmake)
include(CPack)
