# Every target of ours links morvane_warnings: warnings are errors.
add_library(morvane_warnings INTERFACE)
target_compile_options(morvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
