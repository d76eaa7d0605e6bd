# Run by CPack before it zips the staged files: gives every file and folder the time of
# SOURCE_DATE_EPOCH (scripts/release.sh sets it to the last commit's), so the zip's member
# times, and with them its bytes, do not depend on when it was made.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not set: the package would carry the build time")
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
execute_process(COMMAND touch -h -d @$ENV{SOURCE_DATE_EPOCH} ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${staged}
                COMMAND_ERROR_IS_FATAL ANY)
