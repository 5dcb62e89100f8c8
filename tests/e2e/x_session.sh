# A private X session for driving the real program: a fresh folder, an Xvfb
# server on a free display, openbox (so that windows can be activated and
# closed as a person would), a private D-Bus session with its accessibility
# bus (so that the tests can read the window as a screen reader does), and
# the program copied into the folder.
# Sourced by the end-to-end tests, the screenshot and the benchmark scripts.
# Everything started here is killed when the sourcing script exits.

x_pids=()
# Process groups: the buses start helpers of their own.
x_groups=()
X_WORK=$(mktemp -d "${TMPDIR:-/tmp}/morvane-x-XXXXXX")

x_cleanup() {
  local pid
  for pid in "${x_groups[@]}"; do kill -- "-$pid" 2>/dev/null || true; done
  for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${x_groups[@]}" "${x_pids[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  for pid in "${x_groups[@]}"; do kill -9 -- "-$pid" 2>/dev/null || true; done
  rm -rf "$X_WORK"
}
trap x_cleanup EXIT

# Starts Xvfb on a free display, a window manager and, unless X_ACCESSIBILITY
# is 0, the accessibility bus (Qt then serves every window on it, at a
# cost to a run that the window benchmark leaves out); exports DISPLAY. The
# server picks the display itself (-displayfd) and takes it under its lock,
# so that sessions started side by side never share one. -noreset: by
# default the server resets when its last client leaves, and a client
# connecting right then (openbox after the readiness probe) is refused.
x_start() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$X_WORK/display" >"$X_WORK/xvfb.log" 2>&1 &
  x_pids+=($!)
  x_wait_until 30 x_display_ready || { echo "Xvfb did not start" >&2; cat "$X_WORK/xvfb.log" >&2; return 1; }
  DISPLAY=:$(cat "$X_WORK/display")
  export DISPLAY
  export XDG_RUNTIME_DIR=$X_WORK/runtime
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  # Ready once set up (a window mapped while it still sets up can stay
  # unmanaged), which it tells by running its startup command, and once it
  # announces the activation that the tests rely on.
  openbox --startup "touch $X_WORK/openbox-ready" >"$X_WORK/openbox.log" 2>&1 &
  x_pids+=($!)
  x_wait_until 30 x_wm_ready || { echo "openbox did not start" >&2; cat "$X_WORK/openbox.log" >&2; return 1; }
  [[ ${X_ACCESSIBILITY:-1} == 0 ]] || x_start_accessibility
}

# x_wait_until SECONDS COMMAND...: runs COMMAND every 50 ms (every
# X_POLL_SECONDS if set) until it succeeds; fails once SECONDS have passed.
x_wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep "${X_POLL_SECONDS:-0.05}"
  done
}

# The server has written its display number and answers on it.
x_display_ready() {
  local display
  display=$(cat "$X_WORK/display" 2>/dev/null)
  [[ -n $display ]] && xdpyinfo -display ":$display" >/dev/null 2>&1
}

# Starts a private D-Bus session bus and the accessibility bus on it; exports
# DBUS_SESSION_BUS_ADDRESS. The session bus starts the accessibility bus
# launcher when first asked for its address, and that one the registry, all
# in the session bus's process group (setsid keeps the pid, the script not
# being a group leader), so that they end together.
x_start_accessibility() {
  setsid dbus-daemon --session --nofork --address="unix:path=$X_WORK/session-bus" \
    --print-address=3 3>"$X_WORK/bus-address" >"$X_WORK/dbus.log" 2>&1 &
  x_groups+=($!)
  x_wait_until 30 test -s "$X_WORK/bus-address" ||
    { echo "the D-Bus session did not start" >&2; cat "$X_WORK/dbus.log" >&2; return 1; }
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$X_WORK/bus-address")
  export DBUS_SESSION_BUS_ADDRESS
  # Blocks until the accessibility bus is up, then prints its address.
  dbus-send --session --print-reply --reply-timeout=30000 --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress >"$X_WORK/atspi-address" 2>&1 ||
    { echo "the accessibility bus did not start" >&2; cat "$X_WORK/atspi-address" "$X_WORK/dbus.log" >&2; return 1; }
}

# openbox has run its startup command and offers window activation.
x_wm_ready() {
  [[ -e $X_WORK/openbox-ready ]] && xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW
}

# x_program FOLDER [VAR=value...]: copies the program into FOLDER (unless it
# is there already), starts it there with the given environment (and on the
# accessibility bus), and sets PROGRAM_PID and WINDOW (the id of its main
# window). Its stderr goes to FOLDER/../stderr. For the Windows build:
# X_PROGRAM_NAME is the name it takes in FOLDER (morvane if unset),
# X_LAUNCHER the command that starts it (wine, which keeps the process id)
# and X_START_SECONDS how long its window may take to show (30 if unset).
x_program() {
  local folder=$1 program
  shift
  mkdir -p "$folder"
  program=$folder/${X_PROGRAM_NAME:-morvane}
  [[ $program -ef $PROGRAM ]] || cp "$PROGRAM" "$program"
  local accessibility=()
  [[ ${X_ACCESSIBILITY:-1} == 0 ]] || accessibility=(QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
  env "${accessibility[@]}" "$@" ${X_LAUNCHER:-} "$program" >/dev/null 2>"$folder/../stderr" &
  PROGRAM_PID=$!
  x_pids+=("$PROGRAM_PID")
  WINDOW=
  x_wait_until "${X_START_SECONDS:-30}" x_find_window ||
    { echo "the window did not open:" >&2; cat "$folder/../stderr" >&2; return 1; }
  x_wait_until 30 x_managed || { echo "the window manager did not take the window" >&2; return 1; }
  xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
}

# Sets WINDOW to the program's main window once it shows.
x_find_window() {
  WINDOW=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" --name '^Morvane$' 2>/dev/null | head -1 || true)
  [[ -n $WINDOW ]]
}

# The window manager lists WINDOW among its clients: only then do activation
# and closing reach it.
x_managed() {
  xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qw "$(printf '0x%x' "$WINDOW")"
}

# The program's visible windows titled Morvane other than the main one: its
# message boxes. Prints the first one's id, waiting up to $1 seconds.
x_message_box() {
  x_wait_until "${1:-30}" x_find_message_box && echo "$X_MESSAGE_BOX"
}

# Sets X_MESSAGE_BOX to one of the program's visible message boxes, if any.
x_find_message_box() {
  X_MESSAGE_BOX=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" --name '^Morvane$' 2>/dev/null |
    grep -vx "$WINDOW" | head -1 || true)
  [[ -n $X_MESSAGE_BOX ]]
}

# x_answer_message KEY [SECONDS]: waits for one of the program's message boxes,
# gives it the focus and presses KEY in it (Return for its default button,
# Escape to cancel), then waits until the box has gone, so that the next
# box looked for is never this one.
x_answer_message() {
  local box
  box=$(x_message_box "${2:-30}") || { echo "no message box to answer" >&2; return 1; }
  xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
  xdotool key "$1"
  x_wait_until 30 x_window_gone "$box" || { echo "the message box stayed open after $1" >&2; return 1; }
}

# Window $1 of the program no longer shows.
x_window_gone() {
  ! xdotool search --onlyvisible --pid "$PROGRAM_PID" --name '^Morvane$' 2>/dev/null | grep -qx "$1"
}

# By pixels, for sessions without the accessibility bus (the window
# benchmark): clicks at a point of the main window's client area.
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

# ---- Reading the window as a screen reader does (AT-SPI) ----
# Each asks the program PROGRAM_PID over the accessibility bus and prints
# what it read. A wait polls until its deadline (seconds, 30 if not given)
# and then fails (status 1) saying on stderr what it saw last.

X_ATSPI=$(dirname "${BASH_SOURCE[0]}")/atspi_window.py
# The Debian Python: it has pyatspi, which a Python on PATH may not.
x_atspi() { /usr/bin/python3 "$X_ATSPI" "$PROGRAM_PID" "$@"; }

# x_read NAME: the text of the main window's control named NAME (Status,
# From, To, Lines per file): a field's text, or a label's name.
x_read() { x_atspi read "$1"; }

# x_wait_text NAME REGEX [SECONDS]: waits until x_read NAME matches REGEX
# (Python syntax); prints the text.
x_wait_text() { x_atspi wait "$1" "$2" "${3:-30}"; }

# x_labels: the texts the main window's labels speak, one a line.
x_labels() { x_atspi labels; }

# x_button: the main window's button as spoken: its name (the caption) and
# "enabled" or "disabled", e.g. "Start enabled".
x_button() { x_atspi button; }

# x_wait_button REGEX [SECONDS]: waits until x_button matches REGEX; prints it.
x_wait_button() { x_atspi wait-button "$1" "${2:-30}"; }

# x_message_text [SECONDS [TEXT]]: waits for one of the program's message
# boxes (one that says TEXT, if given) and prints its text (the texts of its
# labels, one a line). Waiting for the text, not just for a box, keeps a box
# that is still closing from being taken for the next one.
x_message_text() { x_atspi message "${1:-30}" ${2+"$2"}; }

# x_message_count: how many of the program's message boxes are open now.
x_message_count() { x_atspi messages; }

# x_centre NAME: the screen coordinates "X Y" of the centre of the main
# window's control named NAME. The window does not move: found while the
# program is idle, they serve for quick clicks during a run, when every read
# over the bus waits for the run's next pass through its events.
x_centre() { x_atspi centre "$1"; }

# x_click_screen X Y: clicks at a point of the screen.
x_click_screen() { xdotool mousemove "$1" "$2" click 1; }

# x_click_control NAME: clicks the centre of the main window's control named
# NAME (the button by its caption), found on the bus rather than by pixels.
x_click_control() {
  local xy
  xy=$(x_centre "$1") || return 1
  # shellcheck disable=SC2086  # "X Y"
  x_click_screen $xy
}

# x_type_control NAME TEXT: replaces the text of the field named NAME with
# TEXT, typed as real key presses into the main window, and waits until the
# field shows it.
x_type_control() {
  xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
  x_click_control "$1" || return 1
  xdotool key ctrl+a
  xdotool type --delay 5 "$2"
  x_atspi wait "$1" "^$(printf '%s' "$2" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$" 30 >/dev/null
}

# x_tree: every object of the program on the bus (role, name, text, states),
# for a failure's report.
x_tree() { x_atspi tree; }

# The controls' centres (client-area pixels), for x_click and x_type_into.
START_X=392 START_Y=35
FROM_X=64 FROM_Y=35
TO_X=185 TO_Y=35
LINES_X=290 LINES_Y=35
