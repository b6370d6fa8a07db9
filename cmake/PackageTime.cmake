# Read by cpack before it makes a package (CPACK_PROJECT_CONFIG_FILE): every date in the package
# is the time of the last commit, not of the packing, so that the same commit makes the same
# package in any folder, on any day. A time given in SOURCE_DATE_EPOCH is kept; outside a git
# checkout, the package has the time of the packing.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_FLYSEAT_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE flyseat_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE flyseat_no_commit ERROR_QUIET)
  if(NOT flyseat_no_commit AND flyseat_commit_time)
    set(ENV{SOURCE_DATE_EPOCH} ${flyseat_commit_time})
  endif()
endif()
