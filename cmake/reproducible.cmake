# The same program, byte for byte, from the same sources in any folder and at
# any time, so that anyone can rebuild a download and compare.
#
# The compilers write the source and build folders' paths into the objects
# (debug information, __FILE__), and the build id that the linker computes
# covers them even where strip removes them afterwards. They are recorded
# relative to the source folder (./engine/...) and as build/... for what the
# build writes, so that a debugger started in the source folder finds the
# sources. The last matching map wins: the build folder may lie inside the
# source folder, as the presets put it.
add_compile_options(
    "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
    "-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")

# MinGW's linker would write the time of the link into every .exe's header.
# The package's strip writes SOURCE_DATE_EPOCH there (package_time.cmake).
if(MINGW)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
