# ---- Packaging: a folder to unpack where the user owns it ----
#
# The program writes its files into its own folder, so it cannot live in a
# system folder such as /usr/bin. The package is a TGZ holding one folder
# with the program, its desktop entry and icon, and a script that adds the
# entry to the user's menu with the folder's real path. Qt 6 comes from the
# system (Debian: qt6-base).

install(TARGETS morvane RUNTIME DESTINATION .)
install(FILES
    ${PROJECT_SOURCE_DIR}/packaging/morvane.desktop
    ${PROJECT_SOURCE_DIR}/ui/resources/morvane.png
    DESTINATION .)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/add-to-menu DESTINATION .)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_FILE_NAME "morvane-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
