# Where the program lands when installed, and the packages made of that:
# the release build makes the Debian package, the portable build the tarball,
# the Windows build the zip.

# Folders get the same mode whatever the umask of the one who installs.
set(directory_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${directory_mode})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${directory_mode})

if(WIN32)
    # Unzip and double-click: the program beside its README, licence and the
    # notices of the runtime linked into it.
    install(TARGETS CalcVendrali RUNTIME DESTINATION .)
    install(FILES README.md LICENSE ${CMAKE_CURRENT_BINARY_DIR}/NOTICES.txt DESTINATION .)
    set(package_generator ZIP)
else()
    set(CMAKE_INSTALL_DOCDIR share/doc/calcvendrali CACHE PATH "Documentation")
    include(GNUInstallDirs)
    install(TARGETS CalcVendrali RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Stripped as Debian strips: the symbols and the compilers' names go.
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment
                  --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/CalcVendrali\"
                  COMMAND_ERROR_IS_FATAL ANY)")

    # Compressed without a name or a time in them, so the same text gives the
    # same bytes.
    function(compressed source name)
        add_custom_command(OUTPUT ${name}.gz
            COMMAND ${CMAKE_COMMAND} -E copy ${source} ${name}
            COMMAND gzip -9nf ${name}
            DEPENDS ${source})
    endfunction()
    compressed(${PROJECT_SOURCE_DIR}/doc/CalcVendrali.1 CalcVendrali.1)
    add_custom_target(manual ALL DEPENDS CalcVendrali.1.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/CalcVendrali.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

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

    if(PORTABLE)
        # The static C library's and GCC runtime's licences travel with it.
        install(FILES README.md LICENSE ${CMAKE_CURRENT_BINARY_DIR}/NOTICES.txt
                DESTINATION ${CMAKE_INSTALL_DOCDIR})
        set(package_generator TGZ)
        set(CPACK_SYSTEM_NAME Linux-${CMAKE_SYSTEM_PROCESSOR})
    else()
        # Debian's layout: the licence inside the copyright file.
        compressed(${PROJECT_SOURCE_DIR}/CHANGELOG changelog)
        add_custom_target(changelog ALL DEPENDS changelog.gz)
        install(FILES README.md packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
                DESTINATION ${CMAKE_INSTALL_DOCDIR})
        set(package_generator DEB)
    endif()
endif()

# Packages carry the time of their sources, not of the build: the last
# commit's, or in a tree without git the latest changelog entry's. A
# SOURCE_DATE_EPOCH in the environment wins.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(source_date $ENV{SOURCE_DATE_EPOCH})
else()
    execute_process(COMMAND git rev-parse --show-toplevel WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(git_top AND git_top STREQUAL PROJECT_SOURCE_DIR)
        execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE source_date OUTPUT_STRIP_TRAILING_WHITESPACE)
    else()
        file(STRINGS CHANGELOG signatures REGEX "^ -- .*>  ")
        list(GET signatures 0 latest)
        string(REGEX REPLACE "^ -- .*>  " "" latest_date "${latest}")
        execute_process(COMMAND date --date=${latest_date} +%s OUTPUT_VARIABLE source_date
                        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endif()
endif()
set(CPACK_SOURCE_DATE_EPOCH ${source_date})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package-time.cmake)
# cpack takes owners from the disk and the order from the folder, and writes
# a .deb's headers with the umask: the packages are rewritten once made.
find_program(PYTHON3 python3 HINTS /usr/bin REQUIRED)
set(CPACK_NORMALIZE ${PYTHON3} ${PROJECT_SOURCE_DIR}/packaging/normalize.py)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/normalize-packages.cmake)

set(CPACK_PACKAGE_VENDOR "Halvo2914 Softwares")
set(CPACK_PACKAGE_CONTACT "CalcVendrali maintainers <maintainers@users.noreply.c-seed-40fe5143.example>")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "The opening and closing screens of a course-grade calculator, in\n"
       "Portuguese: a signature banner, then a welcome under the title\n"
       "'${PRODUCT_NAME}' and a farewell, written to the text console.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_GENERATOR ${package_generator})
set(CPACK_PACKAGE_CHECKSUM SHA256) # <package>.sha256 beside each, as sha256sum -c reads
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
