# Installing the shell like any desktop program, and its Debian package (scripts/package.sh).
include(GNUInstallDirs)

set(KORVANE_APP_ID example.korvane.Shell)
install(TARGETS korvane-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${KORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${KORVANE_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${KORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane-shell)
set(CPACK_PACKAGE_VENDOR "Korvane")
set(CPACK_PACKAGE_CONTACT "Korvane Shell developers <shell@korvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for the Korvane colour multi-function display")
set(CPACK_PACKAGE_DESCRIPTION
    "Connects to the Korvane colour multi-function display over a serial line (USB-UART cable, Bluetooth or
WiFi serial bridge): storage sizes, screen set-up and gamma tables, remote keys and test controls,
configuration commands, SD card and flash image uploads. Comes with korvane, the same work from a
terminal for scripts and workshops, and korvane-sim, a display simulator.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://korvane.example")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link come from dpkg-shlibdeps. Qt loads its platform plugins at
# run time, so no linked library names their package: it is added by hand, and so is the cursor
# library that the X11 plugin loads at run time for the desktop's cursor theme.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libxcursor1")
include(CPack)
