# Where `cmake --install` puts Tessel (the GNU layout), and the Debian package
# CPack builds from the same rules (scripts/package-deb.sh).
include(GNUInstallDirs)

if(TARGET tessel-cli)
    install(TARGETS tessel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/tessel-cli.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET tessel)
    install(TARGETS tessel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/tessel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # Freedesktop conventions: the menu entry and its scalable icon.
    install(FILES ${PROJECT_SOURCE_DIR}/data/tessel.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/tessel.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME tessel)
set(CPACK_PACKAGE_VENDOR "Tessel")
set(CPACK_PACKAGE_CONTACT "Tessel developers <tessel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Interactive SQL console and script interpreter for Firebird databases")
set(CPACK_PACKAGE_DESCRIPTION
    "tessel is a Qt window with an SQL editor and an output list; tessel-cli runs\n\
the same engine in a terminal, with isql's options. Both run scripts with\n\
SET commands, extract DDL, manage users and write spreadsheets.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tessel)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Firebird client is loaded at run time (dlopen), so dpkg-shlibdeps cannot
# see it in the programs' links. zlib (the .xlsx writer's deflate) is linked,
# and named here too so that the list shows every library the programs need
# beyond Qt and the C++ runtime.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfbclient2, zlib1g")
# The embedded engine (a database file opened without a server).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "firebird3.0-server-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-server")
include(CPack)
