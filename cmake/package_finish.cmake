# Run by CPack once it has made the package in its staging folder, before it
# copies it out (CPACK_POST_BUILD_SCRIPTS). CPack's archive writer takes the
# order of the entries from the disk, their owner from whoever builds, the
# folders' modes from the umask and, in a zip, the time in the local time
# zone: the archive is written again from the same staged folder by
# write_archive.py, which leaves all of that out. Then SHA256SUMS, in the
# form `sha256sum -c` reads, is written into the folder that receives the
# package, for this package and any other of ours already there.

if(NOT CPACK_MORVANE_PYTHON)
  message(FATAL_ERROR "python3 is needed to make the package (Debian: apt-get install python3)")
endif()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_MORVANE_PYTHON}" "${CMAKE_CURRENT_LIST_DIR}/write_archive.py"
                          "${package}" "${CPACK_TEMPORARY_DIRECTORY}" "$ENV{SOURCE_DATE_EPOCH}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# The receiving folder still holds the previous copy of this package, if
# any: its sum is taken from the new one here.
file(GLOB names LIST_DIRECTORIES false RELATIVE "${CPACK_PACKAGE_DIRECTORY}"
     "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_NAME}-*.tar.gz" "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_NAME}-*.zip")
set(made "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  list(APPEND names "${name}")
  list(APPEND made "${name}")
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
  list(FIND made "${name}" index)
  if(index GREATER_EQUAL 0)
    list(GET CPACK_PACKAGE_FILES ${index} file)
  else()
    set(file "${CPACK_PACKAGE_DIRECTORY}/${name}")
  endif()
  file(SHA256 "${file}" sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
