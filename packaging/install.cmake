# What `cmake --install` puts in place, and the Debian package CPack builds from it.
include(GNUInstallDirs)

# Installing (and so packaging) needs the program only, not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kazeyomi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KAZEYOMI_WINDOW)
    install(TARGETS kazeyomi-window RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kazeyomi.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kazeyomi.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Drawn from the SVG, for menus that take pixels only.
foreach(size 48 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/kazeyomi-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kazeyomi.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kazeyomi)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kazeyomi)
set(CPACK_PACKAGE_VENDOR "Kazeyomi")
set(CPACK_PACKAGE_CONTACT "Kazeyomi developers <kazeyomi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Southern Kanto racing odds and results into fixed-width files")
set(CPACK_PACKAGE_DESCRIPTION
    "Kazeyomi follows a day of Southern Kanto regional horse racing: it reads the day's meeting list and race \
cards, polls the racing site on a timer and appends the odds and results to per-race Shift_JIS files that other \
programs read. A window, a headless mode and commands for one race or one race card.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries come from dpkg-shlibdeps; Qt's platform plugins and the SQLite driver of the
# day's history are loaded at run time, so they are not seen there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
# Every caption is Japanese: without a CJK font a fresh system shows empty boxes. IPA P Gothic
# is what fontconfig puts in place of MS P Gothic.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
include(CPack)
