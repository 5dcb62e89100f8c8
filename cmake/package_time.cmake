# Read by CPack before it makes a package (CPACK_PROJECT_CONFIG_FILE): every
# time that the package records is the time of the commit it is made from,
# SOURCE_DATE_EPOCH, so that the package made again from the same commit is
# the same. The environment's value stands when set; otherwise git's. strip
# writes it into the Windows program's header, and package_finish.cmake into
# every entry of the archive.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_MORVANE_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    string(TIMESTAMP epoch "%s" UTC)
    message(WARNING "The sources are no git checkout and SOURCE_DATE_EPOCH is not set: "
                    "the package carries the time it is made, and is made differently each time.")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
