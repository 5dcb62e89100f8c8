# ---- Libraries the bundle leaves to the system ----
#
# Every library the program and its plugins need is copied into the folder
# unless it is named here. These are on every Linux desktop, and a copy of
# them would break: they must match the kernel, the display server, the
# graphics driver, the fonts' configuration or the session's buses of the
# machine the folder runs on, or other system libraries loaded into the same
# process bring their own copy, which a second one would clash with.
# Matched against the names the files ask for (sonames); what these ask for
# in turn is the system's too.

set(morvane_system_libraries
    # glibc and its loader: tied to the kernel and to each other.
    "^ld-linux"
    "^lib(c|m|dl|pthread|rt|resolv|util)\\.so"
    # The C++ runtime: the graphics driver loads the system's, and a
    # process holds one copy; the build states the version it needs.
    "^lib(stdc\\+\\+|gcc_s)\\.so"
    # OpenGL and EGL dispatch to the machine's graphics driver.
    "^lib(GL|EGL|GLX|OpenGL|GLdispatch|GLESv2)\\.so"
    # The X11 client libraries and libxcb with the extensions built with it:
    # the connection to the display, shared with the graphics driver.
    "^lib(X11|X11-xcb|Xau|Xdmcp|Xext|Xrender|Xi|SM|ICE)\\.so"
    "^libxcb(-(composite|damage|dbe|dpms|dri2|dri3|glx|present|randr|record|render|res|screensaver|shape|shm|sync|xf86dri|xfixes|xinerama|xinput|xkb|xtest|xv|xvmc))?\\.so"
    # The keyboard: reads the system's layouts and compose tables.
    "^libxkbcommon(-x11)?\\.so"
    # Fonts: fontconfig reads the system's font configuration, with the
    # FreeType and HarfBuzz it was built with, and what they use.
    "^lib(fontconfig|freetype|harfbuzz|graphite2|png16|expat|brotli(dec|common)|bz2)\\.so"
    # D-Bus (the accessibility bus and the session) and GLib (the event
    # loop that input methods and themes share), with what they use.
    "^lib(dbus-1|systemd|cap|gcrypt|gpg-error|lz4|lzma|zstd|z|glib-2\\.0|pcre2-8|ffi|bsd|md)\\.so"
)
