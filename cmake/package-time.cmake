# Read by cpack as it runs: the archives' file times are the sources' time
# that the build recorded, unless the caller gives one.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_SOURCE_DATE_EPOCH})
endif()
