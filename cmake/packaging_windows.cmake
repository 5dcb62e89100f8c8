# ---- Packaging: the Windows download, one folder holding Morvane.exe ----
#
# The program is one static .exe that needs no DLL beyond Windows' own, and
# writes its files next to itself: the package is a ZIP holding one folder
# with the program alone, which the user unpacks where they want the files.
# Made with: cmake --build --preset windows --target package

install(TARGETS Morvane RUNTIME DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_FILE_NAME "Morvane-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_LIST_DIR}/packaging_archive.cmake)
include(CPack)
