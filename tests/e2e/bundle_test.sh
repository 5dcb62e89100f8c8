#!/usr/bin/env bash
# The Linux download: the archive a user unpacks into a folder of their own.
#   bundle_test.sh ARCHIVE versions   its files need at most glibc 2.35 and
#                                     the libstdc++ of GCC 12 (GLIBCXX_3.4.30)
#   bundle_test.sh ARCHIVE run        unpacked into a fresh folder and added to
#       the menu, the program runs a short series to "Finished." in a private
#       X session with every Qt library and plugin of the system made
#       unloadable, and loads nothing of the folder's from the system
set -euo pipefail
ARCHIVE=$(realpath "$1")
case_name=$2
GLIBC_LIMIT=GLIBC_2.35
GLIBCXX_LIMIT=GLIBCXX_3.4.30

fail() {
  echo "FAIL: $*" >&2
  exit 1
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
    x_type_control From 1 || fail "could not type From"
    x_type_control To 25 || fail "could not type To"
    x_type_control "Lines per file" 10 || fail "could not type the lines per file"
    x_click_control Start || fail "no Start button"
    warning=$(x_message_text 30) || fail "no first-press warning"
    [[ ${warning%%$'\n'*} == "All data files will be saved to $bundle" ]] || fail "the warning says \"$warning\""
    x_answer_message Return || fail "the warning took no answer"
    x_message_text 30 "Finished." >/dev/null || fail "the run did not finish"
    [[ $(cd "$bundle" && echo Morvane-*.txt) == "Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt" ]] ||
      fail "not the three files: $(ls "$bundle")"
    cmp <(cd "$bundle" && cat Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt) \
      <(for n in $(seq 25); do printf ' %d ,  %d ,  %d\r\n' "$n" $((n * n)) $((2 * n - 1)); done) ||
      fail "the files differ"
    expect_libraries_from "$bundle"
    x_answer_message Return || fail "\"Finished.\" took no answer"
    wmctrl -i -c "$WINDOW"
    x_wait_until 30 eval '! kill -0 "$PROGRAM_PID" 2>/dev/null' || fail "the program did not end"
    wait "$PROGRAM_PID" || fail "the program ended with status $?"
    ;;
  *)
    fail "no such case: $case_name"
    ;;
esac
echo "PASS: $case_name"
