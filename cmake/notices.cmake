# Writes the notices that the licences of statically linked libraries ask a
# binary distribution to carry, for exactly the libraries that the linker's
# map shows in the program:
#   cmake -DMAP=CalcVendrali.map -DTEXTS=packaging/notices -DOUTPUT=NOTICES.txt -P notices.cmake
# Each linked file is traced to the Debian package that installed it; a
# library of unknown licence stops the build rather than ship without notice.

cmake_minimum_required(VERSION 3.25)

# Archive members the linker took ("libc.a(printf.o)" at the start of a line)
# and the object files it loaded whole (start-up code), by absolute path: the
# program's own objects are relative to the build folder.
file(STRINGS ${MAP} map_lines REGEX "^(/[^ ()]+\\.a\\([^()]+\\)|LOAD /[^ ]+\\.o$)")
set(linked_files "")
foreach(line IN LISTS map_lines)
    if(line MATCHES "^(/[^ ()]+\\.a)\\(([^()]+)\\)")
        set(path ${CMAKE_MATCH_1})
        set(member ${CMAKE_MATCH_2})
    elseif(line MATCHES "^LOAD (/[^ ]+\\.o)$")
        set(path ${CMAKE_MATCH_1})
        set(member "")
    endif()
    file(REAL_PATH ${path} path)
    list(APPEND linked_files ${path})
    get_filename_component(name ${path} NAME)
    list(APPEND members_of_${name} ${member})
endforeach()
list(REMOVE_DUPLICATES linked_files)
list(SORT linked_files)

# The number formatting of the MinGW-w64 runtime comes from gdtoa, which has
# a licence of its own.
string(CONCAT gdtoa_objects "arithchk|dmisc|dtoa|g__fmt|g_dfmt|g_ffmt|g_xfmt|gdtoa|gethex|"
       "gmisc|hd_init|hexnan|misc|qnan|smisc|strtodg|strtodnrp|strtof|strtopx|sum|ulp|"
       "mingw_pformat")

set(components "")
foreach(path IN LISTS linked_files)
    execute_process(COMMAND dpkg-query --search ${path} OUTPUT_VARIABLE owner
                    RESULT_VARIABLE unowned ERROR_QUIET)
    if(unowned OR NOT owner MATCHES "^([^:,]+)")
        message(FATAL_ERROR "${path} is linked into the program, but no Debian package holds it")
    endif()
    set(package ${CMAKE_MATCH_1})
    execute_process(COMMAND dpkg-query --show "--showformat=\${source:Package} \${source:Version}"
                    ${package} OUTPUT_VARIABLE source COMMAND_ERROR_IS_FATAL ANY)
    string(REPLACE " " ";" source "${source}")
    list(GET source 0 source_package)
    list(GET source 1 source_version)
    get_filename_component(name ${path} NAME)

    if(source_package STREQUAL "glibc")
        set(texts glibc)
    elseif(source_package MATCHES "^gcc-([0-9]+|mingw-w64)$")
        set(texts gcc-runtime)
    elseif(source_package STREQUAL "mingw-w64" AND name MATCHES "^lib(win)?pthread\\.a$")
        set(texts winpthreads)
    elseif(source_package STREQUAL "mingw-w64")
        set(texts mingw-w64)
        set(gdtoa_members ${members_of_${name}})
        list(FILTER gdtoa_members INCLUDE REGEX "^lib64_libmingwex_a-(${gdtoa_objects})\\.o$")
        if(gdtoa_members)
            list(APPEND texts mingw-w64-gdtoa)
        endif()
    else()
        message(FATAL_ERROR "${name} (from the Debian source package ${source_package}) is "
                            "linked into the program, and no notice is known for it")
    endif()

    foreach(text IN LISTS texts)
        set(component "${text} ${source_package} ${source_version}")
        list(APPEND components ${component})
        list(APPEND files_of_${text} "${name} (${package})")
    endforeach()
endforeach()
list(REMOVE_DUPLICATES components)
list(SORT components)

string(CONCAT notices "Besides its own code, under the licence in LICENSE, this program holds\n"
            "code of the libraries below, linked into it when it was built. Each\n"
            "comes from the Debian source package named, at the version named.\n")
foreach(component IN LISTS components)
    string(REPLACE " " ";" component ${component})
    list(GET component 0 text)
    list(GET component 1 source_package)
    list(GET component 2 source_version)
    list(REMOVE_DUPLICATES files_of_${text})
    list(JOIN files_of_${text} ", " files)
    file(READ ${TEXTS}/${text}.txt body)
    string(APPEND notices "\n\n==== ${text}: Debian source package ${source_package}, "
                          "version ${source_version}\n"
                          "Linked from: ${files}\n\n${body}")
endforeach()
file(WRITE ${OUTPUT} "${notices}")
