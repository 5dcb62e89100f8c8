#!/usr/bin/env bash
# The Linux download: the archive a user unpacks into a folder of their own.
#   bundle_test.sh ARCHIVE versions   its files need at most glibc 2.35 and
#                                     the libstdc++ of GCC 12 (GLIBCXX_3.4.30)
#   bundle_test.sh ARCHIVE run        unpacked into a fresh folder and added to
#       the menu, the program runs a short series to "Finished." in a private
#       X session with every Qt library and plugin of the system made
#       unloadable, and loads nothing of the folder's from the system
# On a pared-down desktop, a minimal Debian root with the packages of the
# README's apt-get line and an X server, kept in the folder ROOTS:
#   bundle_test.sh ARCHIVE pared_down_root ROOTS   makes it where missing or
#       made for another line, and checks that line against the folder's
#       table of system libraries both ways
#   bundle_test.sh ARCHIVE pared_down_finish|pared_down_missing_library ROOTS
#       in a fresh copy, the short series to "Finished."; in one less a
#       package of the line, the program names the library it lacks and its
#       package, and ends with no window
# Exit status 77: the machine refused the root (not root, no debootstrap or
# mirror, no overlay).
set -euo pipefail
ARCHIVE=$(realpath "$1")
case_name=$2
# The root's shells read these too.
export ARCHIVE ROOTS=${3:-}
GLIBC_LIMIT=GLIBC_2.35
GLIBCXX_LIMIT=GLIBCXX_3.4.30
README=$(dirname "$0")/../../README.md
# The pared-down desktop's X server, and the package of the README's line
# that pared_down_missing_library takes away: the X11 plugin needs it.
ROOT_X_SERVER=xvfb
MISSING_PACKAGE=libxcb-render0

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip() {
  echo "SKIP: $*" >&2
  exit 77
}

# Unpacks the archive into $1 and prints the one folder it must hold, named
# as the archive.
unpack() {
  mkdir -p "$1"
  tar -xzf "$ARCHIVE" -C "$1"
  local top=("$1"/*)
  [[ ${#top[@]} == 1 && ${top[0]} == "$1/$(basename "$ARCHIVE" .tar.gz)" ]] ||
    fail "the archive holds $(ls "$1") rather than its one folder"
  echo "${top[0]}"
}

# The highest version of kind $2 (GLIBC, GLIBCXX) that a file of folder $1
# requires.
highest_required() {
  { find "$1" -type f -exec objdump -p {} + 2>/dev/null || true; } |
    grep -oE "\b$2_[0-9][0-9.]*" | sort -uV | tail -n 1
}

# Version $1 is $2 or older.
not_above() {
  [[ $(printf '%s\n' "$1" "$2" | sort -V | tail -n 1) == "$2" ]]
}

# x_program's counterpart for the unpacked folder: starts program $1 there,
# in a mount namespace of its own where every Qt library the system's
# loader knows reads as an empty file and every qt6 folder beside them
# (plugins among them) as an empty folder; sets PROGRAM_PID and WINDOW.
start_without_system_qt() {
  local hidden=()
  mapfile -t hidden < <(ldconfig -p | awk '/libQt6/ { print $NF }' | xargs -r readlink -f | sort -u)
  ((${#hidden[@]} > 0)) || fail "the system has no Qt to hide"
  mapfile -t -O "${#hidden[@]}" hidden < <(for library in "${hidden[@]}"; do
    [[ -d ${library%/*}/qt6 ]] && echo "${library%/*}/qt6"
  done | sort -u)
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 unshare --mount --propagation private bash -c '
    set -e
    program=$1
    shift
    for path; do
      if [[ -d $path ]]; then mount -t tmpfs none "$path"; else mount --bind /dev/null "$path"; fi
    done
    exec "$program"' hide "$1" "${hidden[@]}" >/dev/null 2>"$X_WORK/stderr" &
  PROGRAM_PID=$!
  x_pids+=("$PROGRAM_PID")
  x_wait_until 30 shown_or_ended && [[ -n $WINDOW ]] || fail "the window did not open: $(cat "$X_WORK/stderr")"
  x_wait_until 30 x_managed || fail "the window manager did not take the window"
  xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
}

# The program's window shows (WINDOW is set), or the program has ended.
shown_or_ended() {
  x_find_window || ! kill -0 "$PROGRAM_PID" 2>/dev/null
}

# Every library the program has mapped comes from the folder $1, or is one
# the folder leaves to the system: none of the system's Qt (libQt6*, a qt6
# folder) nor one with the name of a library the folder holds. Prints the
# counts.
expect_libraries_from() {
  local mapped own=() system=() library
  # A line of maps ends with the file's path after five fields.
  mapfile -t mapped < <(sed -nE 's/^(\S+\s+){5}(.*\.so.*)$/\2/p' "/proc/$PROGRAM_PID/maps" | sort -u)
  for library in "${mapped[@]}"; do
    if [[ $library == "$1/"* ]]; then own+=("${library##*/}"); else system+=("$library"); fi
  done
  ((${#own[@]} > 0)) || fail "nothing of the folder is loaded"
  for library in "${system[@]}"; do
    [[ $library != */libQt6* && $library != */qt6/* ]] || fail "the system's Qt is loaded: $library"
    [[ -z $(find "$1" -name "${library##*/}" -print -quit) ]] ||
      fail "$library is loaded from the system rather than from the folder"
  done
  echo "${#own[@]} libraries loaded from the folder, ${#system[@]} from the system"
}

# Types 1, 25 and 10 into the window, presses Start, accepts the warning,
# which must name the folder as $1 (the program's own name for it), waits
# for "Finished." and compares the files in the folder, on this side $2.
run_to_finished() {
  x_type_control From 1 || fail "could not type From"
  x_type_control To 25 || fail "could not type To"
  x_type_control "Lines per file" 10 || fail "could not type the lines per file"
  x_click_control Start || fail "no Start button"
  warning=$(x_message_text 30) || fail "no first-press warning"
  [[ ${warning%%$'\n'*} == "All data files will be saved to $1" ]] || fail "the warning says \"$warning\""
  x_answer_message Return || fail "the warning took no answer"
  x_message_text 30 "Finished." >/dev/null || fail "the run did not finish"
  [[ $(cd "$2" && echo Morvane-*.txt) == "Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt" ]] ||
    fail "not the three files: $(ls "$2")"
  cmp <(cd "$2" && cat Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt) \
    <(for n in $(seq 25); do printf ' %d ,  %d ,  %d\r\n' "$n" $((n * n)) $((2 * n - 1)); done) ||
    fail "the files differ"
}

# Answers "Finished.", closes the window and expects the program to end well.
close_and_expect_exit() {
  x_answer_message Return || fail "\"Finished.\" took no answer"
  wmctrl -i -c "$WINDOW"
  x_wait_until 30 eval '! kill -0 "$PROGRAM_PID" 2>/dev/null' || fail "the program did not end"
  wait "$PROGRAM_PID" || fail "the program ended with status $?"
}

# ---- The pared-down desktop ----
# ROOTS holds base/, debootstrap's minimal root, desktop/, an overlay layer
# over it with the README's line and the X server, and line-libraries, what
# the root's loader found with the line alone.

# The packages of the README's apt-get line, one a line.
readme_packages() {
  awk '/^ +sudo apt-get install /{on = 1} on {print; if (!/\\$/) exit}' "$README" |
    sed 's/sudo apt-get install//; s/\\//' | tr -s ' ' '\n' | sed '/^$/d'
}

# The folder's table of system libraries: "library package" lines.
system_libraries() {
  tar -xzOf "$ARCHIVE" "$(basename "$ARCHIVE" .tar.gz)/system-libraries.txt" | sed '/^#/d'
}

# "${root_shell[@]}" LOWER UPPER SCRIPT ARG...: runs SCRIPT with ARG... in
# a mount namespace of its own, where $root is the overlay of the layers
# LOWER (overlayfs's lowerdir) under the layer UPPER, with proc, sys and dev
# mounted in it; all are unmounted as the namespace ends, even when the
# test is killed. Status 77 when the machine refuses the overlay. A command
# rather than a function, so that its process id is that of what SCRIPT
# ends by exec'ing.
root_shell=(unshare --mount --propagation private bash -euc '
  root=$2.root
  mkdir -p "$2" "$2.work" "$root"
  mount -t overlay -o "lowerdir=$1,upperdir=$2,workdir=$2.work" overlay "$root" || exit 77
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --rbind /dev "$root/dev"
  script=$3
  shift 3
  eval "$script"' root_shell)

# Makes the root where it is missing or was made for another line.
prepare_root() {
  ((EUID == 0)) || skip "a minimal root needs root"
  command -v debootstrap >/dev/null || skip "no debootstrap (apt-get install debootstrap)"
  mkdir -p "$ROOTS"
  if [[ ! -e $ROOTS/base.done ]]; then
    # The machine's own Debian mirror, as its apt has it.
    local mirror
    mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    [[ -n $mirror ]] || skip "no Debian mirror in /etc/apt/sources.list.d/debian.sources"
    rm -rf "$ROOTS/base"
    debootstrap --variant=minbase bookworm "$ROOTS/base" "$mirror" >"$ROOTS/base.log" 2>&1 ||
      skip "debootstrap failed: $(tail -n 1 "$ROOTS/base.log")"
    touch "$ROOTS/base.done"
  fi
  local made_for="$ROOT_X_SERVER ${PACKAGES[*]}"
  [[ $(cat "$ROOTS/desktop.done" 2>/dev/null) != "$made_for" ]] || return 0
  rm -rf "$ROOTS/desktop" "$ROOTS/desktop.done" "$ROOTS/desktop.work"
  "${root_shell[@]}" "$ROOTS/base" "$ROOTS/desktop" '
    x_server=$1
    shift
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    chroot "$root" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -qq --no-install-recommends "$@"
    chroot "$root" ldconfig -p >"$ROOTS/line-libraries"
    DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -qq --no-install-recommends "$x_server"
    chroot "$root" apt-get clean' "$ROOT_X_SERVER" "${PACKAGES[@]}" >"$ROOTS/desktop.log" 2>&1 || {
    (($? != 77)) || skip "the machine refused an overlay mount: $(tail -n 1 "$ROOTS/desktop.log")"
    fail "apt-get in the root failed: $(tail -n 5 "$ROOTS/desktop.log")"
  }
  echo "$made_for" >"$ROOTS/desktop.done"
}

# start_in_root SETUP: starts the folder's program in a fresh copy of the
# root, its archive unpacked into /root/Programs, once the commands SETUP
# have run there; the X session's folder (the buses) is mounted into it at
# its own path. Sets PROGRAM_PID, and BUNDLE to the folder as seen from
# here (in the copy's own layer).
start_in_root() {
  local name
  name=$(basename "$ARCHIVE" .tar.gz)
  BUNDLE=$X_WORK/top/root/Programs/$name
  [[ -e $ROOTS/desktop.done ]] || skip "no pared-down root in $ROOTS"
  X_WORK=$X_WORK "${root_shell[@]}" "$ROOTS/desktop:$ROOTS/base" "$X_WORK/top" '
    mkdir -p "$root/root/Programs" "$root$X_WORK"
    tar -xzf "$ARCHIVE" -C "$root/root/Programs"
    mount --bind "$X_WORK" "$root$X_WORK"
    chroot "$root" sh -c "$1" >&2
    exec chroot "$root" env -i HOME=/root PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$DISPLAY" \
      DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
      QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$2/morvane"' "$1" "/root/Programs/$name" >/dev/null 2>"$X_WORK/stderr" &
  PROGRAM_PID=$!
  x_pids+=("$PROGRAM_PID")
  x_wait_until 60 shown_or_ended || fail "neither a window nor an end: $(cat "$X_WORK/stderr")"
}

case $case_name in
  versions)
    work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-bundle-XXXXXX")
    trap 'rm -rf "$work"' EXIT
    bundle=$(unpack "$work")
    glibc=$(highest_required "$bundle" GLIBC)
    glibcxx=$(highest_required "$bundle" GLIBCXX)
    [[ -n $glibc && -n $glibcxx ]] || fail "found no glibc or libstdc++ version required"
    not_above "$glibc" "$GLIBC_LIMIT" || fail "the folder needs $glibc, newer than $GLIBC_LIMIT"
    not_above "$glibcxx" "$GLIBCXX_LIMIT" || fail "the folder needs $glibcxx, newer than $GLIBCXX_LIMIT"
    echo "the folder needs $glibc and $glibcxx"
    ;;
  run)
    source "$(dirname "$0")/x_session.sh"
    x_start
    # A folder of the user's own, its name with a space in it.
    bundle=$(unpack "$X_WORK/My programs")
    program=$bundle/morvane

    # The menu entry names the program by its real path, though added
    # through a link to the folder, and its icon.
    ln -s "$bundle" "$X_WORK/link"
    XDG_DATA_HOME=$X_WORK/data "$X_WORK/link/add-to-menu" >/dev/null
    entry=$X_WORK/data/applications/morvane.desktop
    desktop-file-validate "$entry" || fail "the menu entry is not valid"
    [[ $(sed -n 's/^Exec=//p' "$entry") == "\"$program\"" ]] || fail "the menu entry has $(grep '^Exec=' "$entry")"
    cmp -s "$bundle/morvane.png" "$X_WORK/data/icons/hicolor/256x256/apps/morvane.png" || fail "no icon in the menu"

    start_without_system_qt "$program"
    run_to_finished "$bundle" "$bundle"
    expect_libraries_from "$bundle"
    close_and_expect_exit
    ;;
  pared_down_root)
    mapfile -t PACKAGES < <(readme_packages)
    table=$(system_libraries)
    ((${#PACKAGES[@]} > 0)) && [[ -n $table ]] || fail "no apt-get line in $README or no table in the folder"
    for package in "${PACKAGES[@]}"; do
      cut -d ' ' -f 2 <<<"$table" | grep -qxF "$package" || fail "the README's line names $package, which the folder does not need"
    done
    prepare_root
    while read -r library package; do
      grep -qF "$(printf '\t%s (' "$library")" "$ROOTS/line-libraries" ||
        fail "with the README's line a minimal root lacks $library: add $package to the line"
    done <<<"$table"
    ;;
  pared_down_finish)
    source "$(dirname "$0")/x_session.sh"
    x_start
    start_in_root :
    [[ -n $WINDOW ]] || fail "the window did not open: $(cat "$X_WORK/stderr")"
    x_wait_until 30 x_managed || fail "the window manager did not take the window"
    run_to_finished "/root/Programs/${BUNDLE##*/}" "$BUNDLE"
    close_and_expect_exit
    ;;
  pared_down_missing_library)
    library=$(system_libraries | awk -v p="$MISSING_PACKAGE" '$2 == p {print $1}')
    [[ -n $library ]] || fail "the folder's table names no library of $MISSING_PACKAGE"
    source "$(dirname "$0")/x_session.sh"
    x_start
    start_in_root "dpkg --purge --force-depends $MISSING_PACKAGE 2>&1"
    [[ -z $WINDOW ]] || fail "a window opened without $library"
    status=0
    wait "$PROGRAM_PID" || status=$?
    ((status == 1)) && grep -qF "$library: cannot open shared object file" "$X_WORK/stderr" &&
      grep -qxF "The system lacks $library; on Debian and Ubuntu: sudo apt-get install $MISSING_PACKAGE" \
        "$X_WORK/stderr" || fail "the program ended with status $status, saying \"$(cat "$X_WORK/stderr")\""
    ;;
  *)
    fail "no such case: $case_name"
    ;;
esac
echo "PASS: $case_name"
