# Run at install time, once the folder's files are in place: gives the
# copied libraries and Qt plugins run paths into the folder's lib/, writes
# the table of the libraries its files take from the system with their
# packages, and prints the newest glibc and libstdc++ versions that any of
# its files asks for, which are what the folder needs of the machine it
# runs on.
# Expects MORVANE_PATCHELF, MORVANE_OBJDUMP, MORVANE_DPKG_QUERY,
# MORVANE_LIBRARY_ARCHITECTURE and MORVANE_SYSTEM_LIBRARIES_FILE.

set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(NOT MORVANE_PATCHELF)
  message(FATAL_ERROR "patchelf is needed to make the package (Debian: apt-get install patchelf)")
endif()
if(NOT MORVANE_DPKG_QUERY)
  message(FATAL_ERROR "dpkg-query is needed to make the package: the folder names Debian's packages "
                      "of the libraries it leaves to the system, so it is made on Debian or Ubuntu")
endif()

# ---- Run paths ----

# On the system these libraries found one another in the system's folders;
# in the bundle each must find the others in lib/ first, whatever the
# system holds.
function(morvane_set_run_path run_path)
  foreach(file IN LISTS ARGN)
    if(NOT IS_SYMLINK "${file}")
      execute_process(COMMAND "${MORVANE_PATCHELF}" --set-rpath "${run_path}" "${file}"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
endfunction()

file(GLOB libraries LIST_DIRECTORIES false "${folder}/lib/*.so*")
file(GLOB plugins LIST_DIRECTORIES false "${folder}/plugins/*/*.so")
morvane_set_run_path("\$ORIGIN" ${libraries})
morvane_set_run_path("\$ORIGIN/../../lib" ${plugins})

# ---- Versions and libraries needed ----

# The highest GLIBC_ and GLIBCXX_ versions among the symbol versions that
# the folder's programs and libraries require (objdump's "Version
# References"), each with the first file that requires it; and every
# library they ask for (NEEDED).
set(newest_GLIBC "0")
set(newest_GLIBCXX "0")
set(needed "")
file(GLOB_RECURSE files LIST_DIRECTORIES false "${folder}/*")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  execute_process(COMMAND "${MORVANE_OBJDUMP}" -p "${file}"
                  OUTPUT_VARIABLE dump ERROR_QUIET RESULT_VARIABLE not_elf)
  if(not_elf)
    continue()
  endif()
  file(RELATIVE_PATH name "${folder}" "${file}")
  string(REGEX MATCHALL "NEEDED +[^ \n]+" libraries_asked "${dump}")
  string(REGEX REPLACE "NEEDED +" "" libraries_asked "${libraries_asked}")
  list(APPEND needed ${libraries_asked})
  foreach(kind GLIBC GLIBCXX)
    string(REGEX MATCHALL " ${kind}_[0-9.]+" versions "${dump}")
    foreach(version IN LISTS versions)
      string(REPLACE " ${kind}_" "" version "${version}")
      if(version VERSION_GREATER newest_${kind})
        set(newest_${kind} "${version}")
        set(newest_${kind}_file "${name}")
      endif()
    endforeach()
  endforeach()
endforeach()
message(NOTICE "The bundle needs glibc ${newest_GLIBC} or newer (for ${newest_GLIBC_file}) "
               "and libstdc++ GLIBCXX_${newest_GLIBCXX} or newer (for ${newest_GLIBCXX_file})")

# ---- The libraries left to the system ----

# Each library asked for that lib/ does not hold, with the package that
# brings it on this machine, whose libraries the folder was built against.
# The program names them when one is missing, and a test checks the
# README's apt-get line against them: written here, from the files
# themselves, neither can miss a library the folder comes to need.
list(REMOVE_DUPLICATES needed)
list(SORT needed)
string(CONCAT table "# The libraries that this folder's files take from the system, each with\n"
                    "# the Debian and Ubuntu package that brings it.\n")
foreach(library IN LISTS needed)
  if(EXISTS "${folder}/lib/${library}")
    continue()
  endif()
  execute_process(COMMAND "${MORVANE_DPKG_QUERY}" -S "*/${MORVANE_LIBRARY_ARCHITECTURE}/${library}"
                  OUTPUT_VARIABLE owners ERROR_VARIABLE error RESULT_VARIABLE not_found)
  # "libxcb1:amd64: /usr/lib/x86_64-linux-gnu/libxcb.so.1"; the same file
  # may be listed under /lib and /usr/lib, always by the same package.
  if(not_found OR NOT owners MATCHES "^([^:, \n]+)[:,]")
    message(FATAL_ERROR "No package of this system holds ${library}, which the folder needs: ${error}")
  endif()
  string(APPEND table "${library} ${CMAKE_MATCH_1}\n")
endforeach()
file(WRITE "${folder}/${MORVANE_SYSTEM_LIBRARIES_FILE}" "${table}")
