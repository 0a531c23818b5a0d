# Where the program lands when installed, and the packages made of that.

if(WIN32)
    # Unzip and double-click: the program beside its README and licence.
    install(TARGETS CalcVendrali RUNTIME DESTINATION .)
    install(FILES README.md LICENSE DESTINATION .)
else()
    set(CMAKE_INSTALL_DOCDIR share/doc/calcvendrali CACHE PATH "Documentation")
    include(GNUInstallDirs)
    set(CPACK_STRIP_FILES ON) # the Windows build is stripped when linked
    install(TARGETS CalcVendrali RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

    # The desktop entry and the icon stand in for the Windows resources.
    configure_file(resources/calcvendrali.desktop.in calcvendrali.desktop @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/calcvendrali.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    file(GLOB icons resources/icons/*.png) # named after their size in pixels
    foreach(icon IN LISTS icons)
        get_filename_component(size ${icon} NAME_WE)
        install(FILES ${icon}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME ${PRODUCT_ICON}.png)
    endforeach()
endif()

set(CPACK_PACKAGE_VENDOR "Halvo2914 Softwares")
set(CPACK_PACKAGE_CONTACT "CalcVendrali maintainers <maintainers@users.noreply.c-seed-40fe5143.example>")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "The opening and closing screens of a course-grade calculator, in Portuguese:\n"
       "a signature banner, then a welcome under the title '${PRODUCT_NAME}'\n"
       "and a farewell, written to the text console.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
