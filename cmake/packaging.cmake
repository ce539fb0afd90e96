# Installation under GNU directories and the Debian package (scripts/package).
include(GNUInstallDirs)

set(_programs tresvik-cli)
if(TARGET tresvik)
    list(APPEND _programs tresvik)
endif()
if(TARGET tresvik-sim)
    list(APPEND _programs tresvik-sim)
endif()
install(TARGETS ${_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET tresvik)
    set(_linux ${PROJECT_SOURCE_DIR}/res/linux)
    # The console recognises an installed copy of itself by this file beside its bin folder
    # (app/program_directory.cpp), so the two paths must stay in step.
    install(FILES ${_linux}/tresvik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${_linux}/tresvik.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(_size 16 24 32 48 256)
        install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tresvik-${_size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
                RENAME tresvik.png)
    endforeach()

    # Debian wants manual pages compressed without a time stamp (gzip -n), so that the package
    # builds the same twice.
    find_program(GZIP_PROGRAM gzip REQUIRED)
    set(_pages)
    foreach(_page tresvik tresvik-cli tresvik-sim)
        set(_gz ${CMAKE_CURRENT_BINARY_DIR}/man/${_page}.1.gz)
        add_custom_command(OUTPUT ${_gz}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
            COMMAND ${GZIP_PROGRAM} -9nc ${_linux}/man/${_page}.1 > ${_gz}
            DEPENDS ${_linux}/man/${_page}.1
            VERBATIM)
        list(APPEND _pages ${_gz})
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${_pages})
    install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    set(_doc ${CMAKE_INSTALL_DATADIR}/doc/tresvik)
    install(FILES ${_linux}/copyright DESTINATION ${_doc})
    set(_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
    add_custom_command(OUTPUT ${_changelog}
        COMMAND ${GZIP_PROGRAM} -9nc ${_linux}/changelog > ${_changelog}
        DEPENDS ${_linux}/changelog
        VERBATIM)
    add_custom_target(debian_changelog ALL DEPENDS ${_changelog})
    install(FILES ${_changelog} DESTINATION ${_doc})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tresvik)
set(CPACK_PACKAGE_VENDOR "The Tresvik console developers")
set(CPACK_PACKAGE_CONTACT "The Tresvik console developers <console@tresvik.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diagnostic and test console for the in-vehicle unit")
# dpkg shows the description as it stands, so its lines are kept short here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Bench console for the in-vehicle display and telematics unit on a USB-serial"
    "adapter. It decodes every frame the unit sends into 162 named values, logs"
    "all traffic in colour, sends commands and simulation frames, shows the unit's"
    "status flags as an icon grid and saves a screenshot and text dump of a test."
    "The package also holds tresvik-cli, which decodes recorded traffic and"
    "encodes commands without a window, and tresvik-sim, a simulated unit on a"
    "pseudo-terminal.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tresvik)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tresvik.org/console")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
