# ---- The archive of a download, the same bytes from the same commit ----
#
# Included by both packaging files before CPack: CPack stages the folder and
# strips it with every time set to the commit's (package_time.cmake), then
# package_finish.cmake writes the archive afresh from that folder with a
# fixed order, owner and modes, and SHA256SUMS beside it.

# Only making the package needs it.
find_program(MORVANE_PYTHON python3)

set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_time.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_finish.cmake)
set(CPACK_MORVANE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_MORVANE_PYTHON ${MORVANE_PYTHON})
