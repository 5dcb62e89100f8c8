#!/usr/bin/env bash
# End-to-end tests of Morvane.exe under wine, in a private X session and wine
# prefix, driven as a person would (keys typed into the window, the window
# manager's close) and read from outside by window_probe.exe.
#   wine_e2e_test.sh PREFIX PROBE CASE PROGRAM [DETAILS]   CASE: finish | escape | close
# PREFIX: the build's wine prefix, copied for the test; PROBE:
# window_probe.exe; PROGRAM: Morvane.exe, or the download's .zip, which is
# unpacked into a fresh folder and run from there. DETAILS: a file of what
# Windows must show of the program (`window_probe details`), checked first.
# Every wait is for something the program does, with a deadline of a minute
# or more: wine's first start in a prefix alone takes seconds.
set -euo pipefail
template=$(realpath "$1")
probe=$(realpath "$2")
case_name=$3
PROGRAM=$(realpath "$4")
details=${5-}
X_ACCESSIBILITY=0
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/wine_session.sh"
RECORDS=$(dirname "$0")/../e2e/series_records.py

fail() {
  echo "FAIL: $*" >&2
  # What the window shows, once wine is up with the test's prefix.
  if [[ -n ${WINDOW_PROBE-} ]]; then
    w_probe controls >&2 || true
    w_probe messages >&2 || true
  fi
  exit 1
}

# The records of the numbers $1 to $2 as the files must hold them.
expected_records() {
  /usr/bin/python3 -c '
import sys
sys.path.insert(0, sys.argv[1])
from series_records import records
sys.stdout.buffer.write(records(int(sys.argv[2]), int(sys.argv[3]) - int(sys.argv[2]) + 1))
' "$(dirname "$RECORDS")" "$1" "$2"
}

series_files() { (cd "$folder" && ls Morvane-*.txt 2>/dev/null | sort -t- -k2,2n); }

records_in_folder() {
  local file
  file=$(series_files | head -1)
  [[ -n $file && -s $folder/$file ]]
}

program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }

# A run that goes on after it was told to end writes hundreds of megabytes a
# second: the waits for its end give up once it has written 4 GB.
runaway() { (($(du -sb "$folder" | cut -f1) > 4000000000)); }
ended_or_runaway() { program_ended || runaway; }
stopped_or_runaway() { [[ $(w_read status) =~ ^Files?\ saved\ to\  ]] || runaway; }

expect_exit() {
  x_wait_until 60 ended_or_runaway && ! runaway || fail "the program did not end: $(du -sh "$folder")"
  wait "$PROGRAM_PID" || fail "the program ended with code $?"
}

# x_answer_message waits at most this long for a box: wine's first box in
# a prefix comes seconds after the press.
BOX_SECONDS=60

# Types the lines per file (and From and To if given) as a person does with
# the keyboard alone: the button has the focus, Tab walks From, To and the
# list, each field's text selected as it gets the focus, and Shift+Tab goes
# back to the button, which Space presses. The warning is accepted.
start_run() {
  local lines=$1 from=${2-} to=${3-}
  xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
  w_wait_text button '^Start enabled$' "$BOX_SECONDS" || fail "the button is not ready"
  xdotool key Tab
  [[ -z $from ]] || xdotool type --delay 5 "$from"
  xdotool key Tab
  [[ -z $to ]] || xdotool type --delay 5 "$to"
  xdotool key Tab
  xdotool type --delay 5 "$lines"
  w_wait_text lines "^$lines\$" || fail "the lines per file did not take $lines"
  [[ -z $from ]] || [[ $(w_read from) == "$from" ]] || fail "From did not take $from"
  [[ -z $to ]] || [[ $(w_read to) == "$to" ]] || fail "To did not take $to"
  xdotool key shift+Tab shift+Tab shift+Tab space
  w_message_text "$BOX_SECONDS" "All data files will be saved to $shown_folder\\n\\nIf this is not a good location, click Cancel and copy the program to a dedicated folder." >/dev/null ||
    fail "no first-press warning naming $shown_folder"
  x_answer_message Return "$BOX_SECONDS" || fail "the warning took no answer"
}

wait_for_records() {
  x_wait_until 60 records_in_folder || fail "no records in a file after 60 s: $(ls "$folder")"
}

# The folder has a space and a letter beyond ASCII in its name, which the
# program's texts must show as they are.
folder="$X_WORK/Zahlen ä"
if [[ $PROGRAM == *.zip ]]; then
  mkdir "$folder"
  unzip -q "$PROGRAM" -d "$folder"
  unpacked=$(find "$folder" -name Morvane.exe)
  [[ -n $unpacked ]] || fail "no Morvane.exe in $(basename "$PROGRAM")"
  folder=$(dirname "$unpacked")
  PROGRAM=$unpacked
fi
shown_folder=$(windows_path "$folder")

wine_start "$template" "$probe"
if [[ -n $details ]]; then
  diff <(w_probe details "$(windows_path "$PROGRAM")") "$details" >&2 ||
    fail "Windows does not show the program as $details says"
fi
x_program "$folder" || fail "no window"

case $case_name in
  finish)
    start_run 10 1 25
    # The files are closed before the message shows.
    w_message_text "$BOX_SECONDS" "Finished." >/dev/null || fail "no \"Finished.\""
    [[ $(series_files | tr '\n' ' ') == "Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt " ]] ||
      fail "not the three files: $(ls "$folder")"
    cmp <(cd "$folder" && cat Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt) <(expected_records 1 25) ||
      fail "the files differ"
    x_answer_message Return "$BOX_SECONDS" || fail "\"Finished.\" took no answer"
    w_wait_text button '^Start enabled$' || fail "the button did not return to Start"
    [[ $(w_read status) == "Files saved to $shown_folder" ]] || fail "status: $(w_read status)"
    wmctrl -i -c "$WINDOW"
    expect_exit
    ;;
  escape)
    start_run 100000
    wait_for_records
    # Escape with the focus in a field.
    xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
    xdotool key Tab Escape
    X_POLL_SECONDS=0.2 x_wait_until 60 stopped_or_runaway && ! runaway ||
      fail "the run did not end after Escape: $(du -sh "$folder")"
    [[ $(w_read button) == "Stop disabled" ]] || fail "after Escape the button is \"$(w_read button)\""
    "$RECORDS" "$folder" 100000 || fail "the records are not a run's whole records"
    [[ -z $(w_probe messages) ]] || fail "a message box is open after Escape"
    wmctrl -i -c "$WINDOW"
    expect_exit
    ;;
  close)
    # Files of 1,000 records (45 kB) fit in the program's buffer whole, so
    # the file open at the close has all its records there: a close that
    # loses the buffer leaves that file empty, while the run opens a file
    # only for a record it writes at once.
    start_run 1000
    wait_for_records
    wmctrl -i -c "$WINDOW"
    expect_exit
    "$RECORDS" "$folder" 1000 || fail "the records are not a run's whole records"
    [[ -s $folder/$(series_files | tail -1) ]] || fail "the file open at the close is empty: $(series_files | tail -1)"
    ;;
  *)
    fail "no such case: $case_name"
    ;;
esac
echo "PASS: $case_name"
