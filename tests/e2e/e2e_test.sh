#!/usr/bin/env bash
# End-to-end tests of the built program in a real X server, driven as a
# person would: typing, clicking, keys, the window manager's close.
#   e2e_test.sh PROGRAM CASE     CASE: finish | escape | close | cancel
set -euo pipefail
PROGRAM=$(realpath "$1")
case_name=$2
source "$(dirname "$0")/x_session.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }

# The program's files in the order of their numbers, one after another.
series_text() {
  local folder=$1 file
  for file in $(cd "$folder" && ls Morvane-*.txt 2>/dev/null | sort -t- -k2,2n); do cat "$folder/$file"; done
}

# The records of a run from 1 to $1, as the files must hold them (exact in
# doubles while the squares stay below 2^53).
expected_records() {
  seq 1 "$1" | awk '{ s = $1 * $1; printf " %d ,  %.0f ,  %.0f\r\n", $1, s, s - p; p = s }'
}

# The folder's files hold exactly the records of a run from 1, every one whole.
expect_run_prefix() {
  local folder=$1 lines
  series_text "$folder" >"$X_WORK/actual"
  lines=$(wc -l <"$X_WORK/actual")
  ((lines > 0)) || fail "no records written"
  expected_records "$lines" >"$X_WORK/expected"
  cmp "$X_WORK/actual" "$X_WORK/expected" || fail "the $lines records differ from a run from 1"
  echo "$lines records, each whole and in order"
}

# Waits for the program to end; fails unless it ends within $1 s with code 0.
expect_exit() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$PROGRAM_PID" 2>/dev/null; do
    ((SECONDS <= deadline)) || fail "the program did not end"
    sleep 0.05
  done
  wait "$PROGRAM_PID" || fail "the program ended with code $?"
}

# Presses Start and accepts the first-press warning with Enter.
start_and_accept() {
  x_click $START_X $START_Y
  box=$(x_message_box 10) || fail "no warning"
  xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
  x_key Return
}

x_start
folder=$X_WORK/program
x_program "$folder"

case $case_name in
  finish)
    x_type_into $FROM_X $FROM_Y 1
    x_type_into $TO_X $TO_Y 25
    x_type_into $LINES_X $LINES_Y 10
    start_and_accept
    box=$(x_message_box 10) || fail "no Finished. message"
    x_key Return
    sleep 0.3
    [[ $(ls "$folder" | grep -c '^Morvane-') == 3 ]] || fail "not three files: $(ls "$folder")"
    cmp <(cat "$folder/Morvane-1-10.txt" "$folder/Morvane-11-20.txt" "$folder/Morvane-21-25.txt") \
      <(expected_records 25) || fail "the files differ"
    # Start again: no warning this time, straight to "Finished.".
    x_type_into $TO_X $TO_Y 12
    x_click $START_X $START_Y
    box=$(x_message_box 10) || fail "no second Finished."
    x_key Return
    ! box=$(x_message_box 1) || fail "a second message: the warning came again"
    cmp "$folder/Morvane-11-12.txt" <(expected_records 12 | tail -n 2) || fail "the second run's files differ"
    wmctrl -i -c "$WINDOW"
    expect_exit 5
    ;;
  escape)
    x_type_into $LINES_X $LINES_Y 100000
    start_and_accept
    sleep 0.1
    xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
    x_click $FROM_X $FROM_Y
    x_key Escape
    sleep 1
    kill -0 "$PROGRAM_PID" || fail "Escape ended the program"
    ! box=$(x_message_box 1) || fail "a message after Escape"
    expect_run_prefix "$folder"
    before=$(series_text "$folder" | wc -c)
    sleep 0.5
    [[ $(series_text "$folder" | wc -c) == "$before" ]] || fail "the run went on after Escape"
    # The button is disabled now: a click starts nothing.
    x_click $START_X $START_Y
    ! box=$(x_message_box 1) || fail "a disabled button started a run"
    wmctrl -i -c "$WINDOW"
    expect_exit 5
    ;;
  close)
    x_type_into $LINES_X $LINES_Y 100000
    start_and_accept
    sleep 0.1
    wmctrl -i -c "$WINDOW"
    expect_exit 5
    expect_run_prefix "$folder"
    ;;
  cancel)
    x_click $START_X $START_Y
    box=$(x_message_box 10) || fail "no warning"
    xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
    x_key Escape
    expect_exit 5
    [[ -z $(ls "$folder" | grep '^Morvane-' || true) ]] || fail "Cancel left files: $(ls "$folder")"
    ;;
  *)
    fail "no such case: $case_name"
    ;;
esac
echo "PASS: $case_name"
