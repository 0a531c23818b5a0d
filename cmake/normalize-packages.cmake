# Run by cpack once it has made the packages, before it writes their
# checksums: their bytes then depend on their contents alone.
execute_process(COMMAND ${CPACK_NORMALIZE} $ENV{SOURCE_DATE_EPOCH} ${CPACK_PACKAGE_FILES}
                COMMAND_ERROR_IS_FATAL ANY)
