# Morvane.exe in a private X session (tests/e2e/x_session.sh) under wine,
# with a wine prefix of its own that goes with the session, and the window
# read from a second Windows program in the same prefix (window_probe.exe),
# as a screen reader reads it. Sourced by the Windows end-to-end tests and
# the wine benchmark, after x_session.sh.

WINE_TESTS=$(dirname "${BASH_SOURCE[0]}")

# wine_start TEMPLATE PROBE: starts the X session and exports WINEPREFIX, a
# private copy of the wine prefix TEMPLATE, made first as the build's tests
# make theirs; sets x_program up to start PROGRAM (the .exe) under wine.
# PROBE is window_probe.exe. Ends every wine process of the prefix on exit.
wine_start() {
  local template=$1
  WINDOW_PROBE=$2
  "$WINE_TESTS/wine_run.sh" "$template" cmd /c exit >/dev/null ||
    { echo "no wine prefix at $template" >&2; return 1; }
  export WINEDEBUG=-all LC_ALL=C.UTF-8
  export WINEPREFIX=$X_WORK/wine-prefix
  # The system's libraries (680 MB) are linked, never written by wine; the
  # registry and the rest (20 MB) are copied, as wine rewrites them in place.
  # The build's other tests run in the template meanwhile: what they write
  # into its temporary folders is left out, and so is the stray file that
  # comes and goes as wine saves the registry (tar's status 1, "some files
  # changed as they were read"; the registry itself is replaced whole, by a
  # rename, so the copy reads one version of it or the other).
  mkdir "$WINEPREFIX"
  {
    tar -C "$template" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/winsxs \
      --exclude='./drive_c/users/*/Temp/*' --exclude='./drive_c/windows/temp/*' \
      --warning=no-file-changed --warning=no-file-removed -cf - . || (($? == 1))
  } | tar -C "$WINEPREFIX" -xf -
  cp -al "$template/drive_c/windows/system32" "$template/drive_c/windows/winsxs" "$WINEPREFIX/drive_c/windows/"
  trap 'wine_stop; x_cleanup' EXIT
  x_start
  X_PROGRAM_NAME=Morvane.exe
  X_LAUNCHER=wine
  # Wine starts its own services with a prefix's first program: seconds,
  # tens of them on a busy machine.
  X_START_SECONDS=120
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# The folder as the program names it: wine shows the Linux root as Z:.
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

w_probe() { wine "$WINDOW_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# w_read NAME: the text of the main window's control NAME (from, to, lines,
# status), or for button its caption and "enabled" or "disabled".
w_read() { w_probe controls | sed -n "s/^$1 //p"; }

# w_wait_text NAME REGEX [SECONDS]: waits until w_read NAME matches the
# extended REGEX; fails saying what it read last.
w_wait_text() {
  local deadline=$((SECONDS + ${3:-60})) text
  until text=$(w_read "$1") && [[ $text =~ $2 ]]; do
    ((SECONDS < deadline)) || { echo "$1 stayed \"$text\"" >&2; return 1; }
    sleep 0.2
  done
}

# w_message_text [SECONDS [TEXT]]: waits for one of the program's message
# boxes (one whose text begins with TEXT, line breaks written \n, if given)
# and prints its text.
w_message_text() {
  local deadline=$((SECONDS + ${1:-60})) texts text
  while :; do
    texts=$(w_probe messages)
    while IFS= read -r text; do
      [[ -z $text || $text != "${2-}"* ]] || { printf '%s\n' "$text"; return 0; }
    done <<<"$texts"
    ((SECONDS < deadline)) || { echo "no such message box; open: ${texts:-none}" >&2; return 1; }
    sleep 0.2
  done
}
