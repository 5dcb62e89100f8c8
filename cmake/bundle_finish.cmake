# Run at install time, once the folder's files are in place: gives the
# copied libraries and Qt plugins run paths into the folder's lib/, and
# prints the newest glibc and libstdc++ versions that any of its files asks
# for, which are what the folder needs of the machine it runs on.
# Expects MORVANE_PATCHELF and MORVANE_OBJDUMP.

set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(NOT MORVANE_PATCHELF)
  message(FATAL_ERROR "patchelf is needed to make the package (Debian: apt-get install patchelf)")
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

# ---- Versions needed ----

# The highest GLIBC_ and GLIBCXX_ versions among the symbol versions that
# the folder's programs and libraries require (objdump's "Version
# References"), each with the first file that requires it.
set(newest_GLIBC "0")
set(newest_GLIBCXX "0")
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
