# The sanitizer build instruments every target, tests and libraries alike, and
# makes any undefined behaviour fatal so that CTest sees it as a failure.
if(MORVANE_SANITIZE)
  set(morvane_sanitizer_flags
      -fsanitize=address,undefined
      -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${morvane_sanitizer_flags})
  add_link_options(${morvane_sanitizer_flags})
endif()
