# A private X session for driving the real program: a fresh folder, an Xvfb
# server on a free display, openbox (so that windows can be activated and
# closed as a person would), and the program copied into the folder.
# Sourced by the end-to-end tests, the screenshot and the benchmark scripts.
# Everything started here is killed when the sourcing script exits.

x_pids=()
X_WORK=$(mktemp -d "${TMPDIR:-/tmp}/morvane-x-XXXXXX")

x_cleanup() {
  local pid
  for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${x_pids[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$X_WORK"
}
trap x_cleanup EXIT

# Starts Xvfb on the first free display, which it writes to a file, and a
# window manager; exports DISPLAY.
x_start() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$X_WORK/display" >/dev/null 2>&1 &
  x_pids+=($!)
  local _
  for _ in $(seq 100); do [[ -s $X_WORK/display ]] && break; sleep 0.1; done
  [[ -s $X_WORK/display ]] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$(head -1 "$X_WORK/display")
  export XDG_RUNTIME_DIR=$X_WORK/runtime
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  openbox >/dev/null 2>&1 &
  x_pids+=($!)
  for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
  sleep 1
}

# x_program FOLDER [VAR=value...]: copies the program into FOLDER, starts it
# there with the given environment, and sets PROGRAM_PID and WINDOW (the id
# of its main window). Its stderr goes to FOLDER/../stderr.
x_program() {
  local folder=$1
  shift
  mkdir -p "$folder"
  cp "$PROGRAM" "$folder/morvane"
  env "$@" "$folder/morvane" >/dev/null 2>"$folder/../stderr" &
  PROGRAM_PID=$!
  x_pids+=("$PROGRAM_PID")
  WINDOW=
  local _
  for _ in $(seq 200); do
    WINDOW=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" --name '^Morvane$' 2>/dev/null | head -1 || true)
    [[ -n $WINDOW ]] && break
    sleep 0.1
  done
  [[ -n $WINDOW ]] || { echo "the window did not open:" >&2; cat "$folder/../stderr" >&2; return 1; }
  xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
}

# The program's visible windows titled Morvane other than the main one: its
# message boxes. Prints the first one's id, waiting up to $1 seconds.
x_message_box() {
  local deadline=$((SECONDS + ${1:-10})) id
  while ((SECONDS <= deadline)); do
    for id in $(xdotool search --onlyvisible --pid "$PROGRAM_PID" --name '^Morvane$' 2>/dev/null); do
      if [[ $id != "$WINDOW" ]]; then echo "$id"; return 0; fi
    done
    sleep 0.05
  done
  return 1
}

# Clicks at a point of the main window's client area, in pixels.
x_click() {
  xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
}

# Replaces the text of the field at a point with $3, typed as real key
# presses into the focused window.
x_type_into() {
  x_click "$1" "$2"
  xdotool key ctrl+a
  xdotool type --delay 5 "$3"
}

# Presses a key in the program's window that has the focus (the main window
# or its open message box).
x_key() {
  xdotool key "$1"
}

# The controls' centres (client-area pixels).
START_X=392 START_Y=35
FROM_X=64 FROM_Y=35
TO_X=185 TO_Y=35
LINES_X=290 LINES_Y=35
