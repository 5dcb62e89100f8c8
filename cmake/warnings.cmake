# Every target of ours links morvane_warnings. They are errors only where the
# project's own presets ask for it (CMAKE_COMPILE_WARNING_AS_ERROR): a plain
# configure shows them without failing, so that a newer compiler's false
# positive never stops someone building the program the ordinary way.
add_library(morvane_warnings INTERFACE)
target_compile_options(morvane_warnings INTERFACE -Wall -Wextra -Wpedantic)
