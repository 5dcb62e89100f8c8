#!/usr/bin/env bash
# End-to-end tests of the built program in a real X server, driven as a
# person would (typing, clicking, keys, the window manager's close) and read
# as a screen reader reads it, through the accessibility bus.
#   e2e_test.sh PROGRAM CASE     CASE: finish | escape | stop | close | cancel |
#                                      unknown_folder
# Every wait is for something the program does, with a deadline of tens of
# seconds; that nothing happened is checked once the program has shown a
# later step that it takes only after it.
set -euo pipefail
PROGRAM=$(realpath "$1")
case_name=$2
source "$(dirname "$0")/x_session.sh"

fail() {
  echo "FAIL: $*" >&2
  x_tree >&2 2>/dev/null || true
  exit 1
}

WARNING_TEXT="WARNING: Writes at full disk speed until To or a nearly full disk"

# The program's files in the order of their numbers.
series_files() {
  (cd "$1" && ls Morvane-*.txt 2>/dev/null | sort -t- -k2,2n)
}

# The records of the numbers $1 to $2 as the files must hold them, each
# difference taken from the square before it (0 before 1).
expected_records() {
  /usr/bin/python3 -c '
import sys
first, last = int(sys.argv[1]), int(sys.argv[2])
out = sys.stdout.buffer
for n in range(first, last + 1):
    out.write(b" %d ,  %d ,  %d\r\n" % (n, n * n, n * n - (n - 1) * (n - 1)))
' "$1" "$2"
}

# The folder holds the records of a run from 1 with $2 lines per file, every
# one whole: the files follow one another with $2 records each but the last,
# whose last two records are those of its numbers and end the file. A long
# run writes gigabytes, so the records between are counted, not compared.
expect_run_prefix() {
  local folder=$1 per_file=$2 files=() file lines=0 count last
  mapfile -t files < <(series_files "$folder")
  ((${#files[@]} > 0)) || fail "no records written"
  for file in "${files[@]}"; do
    [[ $file == "Morvane-$((lines + 1))-$((lines + per_file)).txt" ]] ||
      fail "$file follows $lines records"
    count=$(wc -l <"$folder/$file")
    lines=$((lines + count))
    [[ $file == "${files[-1]}" ]] || ((count == per_file)) || fail "$file holds $count records"
  done
  last=$folder/${files[-1]}
  count=$((lines < 1000 ? lines : 1000))
  cmp <(head -n "$count" "$folder/${files[0]}") <(expected_records 1 "$count") ||
    fail "the first records differ from a run from 1"
  cmp <(tail -n 2 "$last") <(expected_records "$((lines > 1 ? lines - 1 : 1))" "$lines") ||
    fail "the run's last records are not whole records $lines ($(tail -c 80 "$last" | od -c | tail -3))"
  echo "$lines records, the last whole"
}

# A listing of the folder's files with their sizes.
series_listing() {
  (cd "$1" && ls -l --time-style=+ Morvane-*.txt 2>/dev/null)
}

# The run's first file holds records.
records_in_folder() {
  local file
  file=$(series_files "$folder" | head -1)
  [[ -n $file && -s $folder/$file ]]
}

# Waits until records have reached the files: the run is going on.
wait_for_records() {
  x_wait_until 30 records_in_folder || fail "no records in a file after 30 s: $(ls "$folder")"
}

program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }

# Waits for the program to end; fails unless it ends within 30 s with code
# $1 (0 if not given).
expect_exit() {
  local code=0
  x_wait_until 30 program_ended || fail "the program did not end within 30 s"
  wait "$PROGRAM_PID" || code=$?
  ((code == ${1:-0})) || fail "the program ended with code $code"
}

# Waits for a message box that says $1; fails if none comes, among them
# when another box is open in its place and waits for an answer.
expect_message() {
  x_message_text 30 "$1" >/dev/null || fail "no message box saying \"$1\""
}

WARNING_BOX="All data files will be saved to \$folder

If this is not a good location, click Cancel and copy the program to a dedicated folder.

This run "

# Presses Start and waits for the first-press warning: where the files go,
# then the run's plan.
start_and_expect_warning() {
  local text
  x_click_control Start || fail "no Start button"
  text=$(x_message_text 30) || fail "no message box after Start"
  [[ $text == "${WARNING_BOX//\$folder/$shown_folder}"* ]] || fail "the warning says \"$text\""
}

# Presses Start and accepts the first-press warning.
start_and_accept() {
  start_and_expect_warning
  x_answer_message Return || fail "the message box took no answer"
}

# A screen reader hears the progress beside its bar: the share, the rate
# and the time left ("3 %, 1.2 GiB/s, about 2 min left").
progress_spoken() {
  x_labels | grep -E '^[0-9]{1,2} %, [0-9.]+ (bytes?|KiB|MiB|GiB|TiB)/s, (about .* left|a few seconds left)$' >/dev/null
}

# Waits until the run has ended after a stop: its last step is the status
# line, and every message it could show comes before it.
wait_for_stopped_run() {
  x_wait_text Status '^Files? saved to ' 30 >/dev/null || fail "the run did not end after the stop"
  [[ $(x_button) == "Stop disabled" ]] || fail "after a stop the button is \"$(x_button)\", not \"Stop disabled\""
}

# After the run has ended: a click on the disabled button starts nothing and
# the program shows no message. The click is followed by an edit, which the
# program handles only after the click, and only with no message box open.
expect_nothing_more() {
  local before
  before=$(series_listing "$folder")
  x_click_control Stop || fail "no Stop button"
  x_type_control From 7 || fail "the edit after the click did not reach From"
  [[ $(x_message_count) == 0 ]] || fail "a message box is open"
  [[ $(x_button) == "Stop disabled" ]] || fail "the button is \"$(x_button)\" after a click on it"
  [[ $(series_listing "$folder") == "$before" ]] || fail "the files changed after the run had ended"
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended"
}

x_start
folder=$X_WORK/program shown_folder=$X_WORK/program
# finish: the folder is named as an old archive unpacks a Latin-1 "Daten-ä",
# not valid UTF-8; the files go there all the same, and the texts show the
# byte as a replacement character.
[[ $case_name != finish ]] || folder=$X_WORK/$'Daten-\xe4' shown_folder=$X_WORK/$'Daten-\xef\xbf\xbd'
# unknown_folder: the program starts where /proc, through which it finds its
# own file, is an empty folder to it; the buses still reach it.
if [[ $case_name == unknown_folder ]]; then
  printf '#!/bin/sh\nmount -t tmpfs none /proc && exec "$@"\n' >"$X_WORK/without-proc"
  chmod +x "$X_WORK/without-proc"
  X_LAUNCHER="unshare --mount --propagation private $X_WORK/without-proc"
fi
x_program "$folder"

# During a run every read over the bus waits for the run's next pass through
# its events, and the run writes hundreds of megabytes a second: the long runs
# below find their controls before they start and act on the files.
case $case_name in
  finish)
    x_type_control From 1 || fail "could not type From"
    x_type_control To 25 || fail "could not type To"
    x_type_control "Lines per file" 10 || fail "could not type the lines per file"
    start_and_accept
    # The files are closed before the message shows.
    expect_message "Finished."
    [[ $(series_files "$folder" | tr '\n' ' ') == "Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt " ]] ||
      fail "not the three files: $(ls "$folder")"
    cmp <(cd "$folder" && cat Morvane-1-10.txt Morvane-11-20.txt Morvane-21-25.txt) <(expected_records 1 25) ||
      fail "the files differ"
    x_answer_message Return || fail "the message box took no answer"
    x_wait_button '^Start enabled$' >/dev/null || fail "the button did not return to Start"
    [[ $(x_read Status) == "Files saved to $shown_folder" ]] || fail "status: $(x_read Status)"
    # Start again: no warning this time, so the first box is "Finished.".
    x_type_control To 12 || fail "could not type To"
    x_click_control Start
    expect_message "Finished."
    cmp "$folder/Morvane-11-12.txt" <(expected_records 11 12) || fail "the second run's files differ"
    x_answer_message Return || fail "the message box took no answer"
    x_wait_button '^Start enabled$' >/dev/null || fail "the button did not return to Start"
    [[ $(x_message_count) == 0 ]] || fail "another message after \"Finished.\""
    wmctrl -i -c "$WINDOW"
    expect_exit
    ;;
  escape)
    x_type_control "Lines per file" 100000 || fail "could not type the lines per file"
    read -r from_x from_y < <(x_centre From)
    start_and_accept
    wait_for_records
    # Escape wherever the focus is in the window: here in a field.
    xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
    x_click_screen "$from_x" "$from_y"
    x_key Escape
    wait_for_stopped_run
    expect_run_prefix "$folder" 100000
    expect_nothing_more
    wmctrl -i -c "$WINDOW"
    expect_exit
    ;;
  stop)
    # What a screen reader speaks: the warning's text, and the button's
    # caption and state idle, during a run and after a stop.
    [[ $(x_labels) == "$WARNING_TEXT" ]] || fail "the labels speak \"$(x_labels)\""
    [[ $(x_button) == "Start enabled" ]] || fail "idle, the button is \"$(x_button)\""
    x_type_control "Lines per file" 100000 || fail "could not type the lines per file"
    read -r button_x button_y < <(x_centre Start)
    start_and_accept
    wait_for_records
    [[ $(x_button) == "Stop enabled" ]] || fail "during a run the button is \"$(x_button)\""
    x_wait_until 30 progress_spoken || fail "no progress spoken: \"$(x_labels)\""
    x_labels | grep -E '^This run would write .*, so it will stop at about ' >/dev/null ||
      fail "the run's plan is not spoken: \"$(x_labels)\""
    x_click_screen "$button_x" "$button_y"
    wait_for_stopped_run
    expect_run_prefix "$folder" 100000
    expect_nothing_more
    ;;
  close)
    x_type_control "Lines per file" 100000 || fail "could not type the lines per file"
    start_and_accept
    # Closed once records have reached the file: in the middle of the run.
    wait_for_records
    wmctrl -i -c "$WINDOW"
    expect_exit
    expect_run_prefix "$folder" 100000
    ;;
  cancel)
    start_and_expect_warning
    x_answer_message Escape || fail "the message box took no answer"
    expect_exit
    [[ -z $(series_files "$folder") ]] || fail "Cancel left files: $(ls "$folder")"
    ;;
  unknown_folder)
    # Its one window is the box that says so, read as any other box is,
    # and the program ends once it is answered, having written nothing.
    expect_message "Cannot find the program's folder: No such file or directory"
    x_key Return
    expect_exit 1
    [[ -z $(series_files "$folder") ]] || fail "files written: $(ls "$folder")"
    ;;
  *)
    fail "no such case: $case_name"
    ;;
esac
echo "PASS: $case_name"
