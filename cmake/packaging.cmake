# ---- Packaging: one folder that runs on any Linux desktop, unpacked anywhere ----
#
# The program writes its files into its own folder, so it cannot live in a
# system folder such as /usr/bin: the package is a TGZ holding one folder that
# the user unpacks where they own it. The folder holds the program, the Qt
# libraries and plugins it loads and whatever else of theirs a desktop may
# lack (lib/, plugins/), each file finding the others through a run path
# relative to itself ($ORIGIN), so it needs no Qt on the machine, no
# LD_LIBRARY_PATH and no wrapper. What must match the system stays the
# system's: cmake/bundle_system_libraries.cmake says which and why.
# Made with: cmake --build --preset release --target package

include(${CMAKE_CURRENT_LIST_DIR}/bundle_system_libraries.cmake)

# patchelf gives the copied libraries and plugins their run paths at install
# time, and dpkg-query names the packages of the libraries left to the
# system; only making the package needs them.
find_program(MORVANE_PATCHELF patchelf)
find_program(MORVANE_DPKG_QUERY dpkg-query)

# The folder's table of the libraries it takes from the system, each with
# the package that brings it: written when the folder is made, read by the
# program when its platform plugin does not load.
set(morvane_system_libraries_file system-libraries.txt)
target_compile_definitions(morvane_ui PRIVATE MORVANE_SYSTEM_LIBRARIES_FILE="${morvane_system_libraries_file}")

# ---- The program, its plugins and the libraries they need ----

# The platform plugin draws the window on X11 (also under Xwayland); the
# compose plugin makes dead keys and the Compose key work in the fields.
# Nothing else is loaded: no OpenGL integration (the window paints with
# the CPU), no image formats beyond PNG (in QtGui), no theme plugins.
set(morvane_qt_plugins QXcbIntegrationPlugin QComposePlatformInputContextPlugin)

set_target_properties(morvane PROPERTIES INSTALL_RPATH "\$ORIGIN/lib")
install(TARGETS morvane RUNTIME_DEPENDENCY_SET morvane_bundle RUNTIME DESTINATION .)
foreach(plugin IN LISTS morvane_qt_plugins)
  # Some Qt packages (Debian's) leave the plugins out of find_package(Qt6).
  if(NOT TARGET Qt6::${plugin})
    find_package(Qt6${plugin} CONFIG REQUIRED HINTS ${Qt6Gui_DIR})
  endif()
  get_target_property(plugin_type Qt6::${plugin} QT_PLUGIN_TYPE)
  install(IMPORTED_RUNTIME_ARTIFACTS Qt6::${plugin} RUNTIME_DEPENDENCY_SET morvane_bundle
          LIBRARY DESTINATION plugins/${plugin_type})
endforeach()
install(RUNTIME_DEPENDENCY_SET morvane_bundle
        PRE_EXCLUDE_REGEXES ${morvane_system_libraries}
        DESTINATION lib)

# ---- Beside the program ----

# qt.conf points Qt at the folder's own plugins instead of the system's.
install(FILES
    ${PROJECT_SOURCE_DIR}/packaging/qt.conf
    ${PROJECT_SOURCE_DIR}/packaging/morvane.desktop
    ${PROJECT_SOURCE_DIR}/ui/resources/morvane.png
    DESTINATION .)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/add-to-menu DESTINATION .)

# Last: give the copied files their run paths, write the table of system
# libraries and say which glibc and libstdc++ the folder needs.
install(CODE "
  set(MORVANE_PATCHELF \"${MORVANE_PATCHELF}\")
  set(MORVANE_OBJDUMP \"${CMAKE_OBJDUMP}\")
  set(MORVANE_DPKG_QUERY \"${MORVANE_DPKG_QUERY}\")
  set(MORVANE_LIBRARY_ARCHITECTURE \"${CMAKE_LIBRARY_ARCHITECTURE}\")
  set(MORVANE_SYSTEM_LIBRARIES_FILE \"${morvane_system_libraries_file}\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/bundle_finish.cmake\")
")

# ---- The archive ----

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_FILE_NAME "Morvane-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_LIST_DIR}/packaging_archive.cmake)
# For the tests of the archive, whose folders do not see these variables.
set_property(GLOBAL PROPERTY MORVANE_ARCHIVE_NAME "${CPACK_PACKAGE_FILE_NAME}.tar.gz")
include(CPack)
