#!/usr/bin/env bash
# End-to-end tests of the ways a run ends from outside the window: the
# signals of a logout (SIGTERM), a closed terminal (SIGHUP) and Ctrl+C
# (SIGINT), the X server freezing or going away, and the disk's free space
# running down to what the program keeps free (then a logout while its
# message is open).
# Each leaves every record whole.
#   e2e_ending_test.sh PROGRAM CASE   CASE: sigterm | sighup | sigint | xfrozen | xlost | reserve
# Exit status 77: the case cannot run here (a tmpfs mount refused).
set -euo pipefail
PROGRAM=$(realpath "$1")
case_name=$2
source "$(dirname "$0")/x_session.sh"
RECORDS=$(dirname "$0")/series_records.py
LINES_PER_FILE=100000

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to $1 s for the program to end; fails unless its exit status is $2.
expect_end() {
  local deadline=$((SECONDS + $1)) status=0
  while kill -0 "$PROGRAM_PID" 2>/dev/null; do
    ((SECONDS <= deadline)) || fail "the program did not end within $1 s"
    sleep 0.05
  done
  wait "$PROGRAM_PID" || status=$?
  [[ $status == "$2" ]] || fail "the program ended with status $status, not $2"
}

# Presses Start, accepts the first-press warning, waits until the status
# line shows the run's progress, and prints that line.
start_run() {
  x_click_control Start || fail "no Start button"
  x_answer_message Return || fail "no first-press warning to accept"
  x_wait_text Status '^[1-9]' 30 || fail "the run shows no progress"
}

# The folder's files hold whole records of a run from 1, at least $2 of them.
expect_whole_records() {
  local written
  written=$(/usr/bin/python3 "$RECORDS" "$1" "$LINES_PER_FILE") || fail "the files are not whole records"
  ((written >= $2)) || fail "$written records, fewer than the $2 the progress line showed"
  echo "$written records, every one whole (at least $2 expected)"
}

# The program ends from outside during a run: after the progress line it read
# last, by $1 (a command), with the exit status $2.
end_during_run() {
  local shown
  shown=$(start_run)
  $1
  expect_end 30 "$2"
  expect_whole_records "$folder" "${shown%% *}"
}

x_start
folder=$X_WORK/program

case $case_name in
  sigterm | sighup | sigint)
    signal=${case_name#sig}
    # Job control: without it a script's background job starts with SIGINT
    # ignored, as no program started from a desktop or a terminal does.
    set -m
    x_program "$folder"
    set +m
    end_during_run "kill -${signal^^} $PROGRAM_PID" "$((128 + $(kill -l "${signal^^}")))"
    ;;
  xfrozen)
    # The display stops answering and the run waits for it (its thread
    # sleeps); a logout ends the program all the same, losing only the buffer.
    x_program "$folder"
    start_run >/dev/null
    trap 'kill -CONT "${x_pids[0]}"; x_cleanup' EXIT
    kill -STOP "${x_pids[0]}"
    x_wait_until 30 grep -q '^State:.S' "/proc/$PROGRAM_PID/status" || fail "the run did not wait for the display"
    kill -TERM "$PROGRAM_PID"
    expect_end 30 143
    expect_whole_records "$folder" 0
    ;;
  xlost)
    x_program "$folder"
    # Qt ends the program with status 1 when its X server goes away.
    end_during_run "kill ${x_pids[0]}" 1
    ;;
  reserve)
    # A tmpfs a few MiB larger than the program: a run soon reaches the 5 %
    # of it that the program keeps free.
    mkdir -p "$folder"
    size=$(($(stat -c %s "$PROGRAM") + (4 << 20)))
    mount -t tmpfs -o "size=$size" tmpfs "$folder" 2>/dev/null || { echo "SKIP: cannot mount a tmpfs"; exit 77; }
    trap 'umount -l "$folder" 2>/dev/null; x_cleanup' EXIT
    x_program "$folder"
    start_run >/dev/null
    text=$(x_message_text 60) || fail "no message when the disk ran down"
    pattern="^Stopped before the disk is full: only [0-9.]+ (bytes?|KiB|MiB) left in ${folder//./\\.} \(the program keeps [0-9.]+ KiB free\)\.$"
    [[ $text =~ $pattern ]] || fail "the message says \"$text\""
    echo "the message: $text"
    [[ $(x_message_count) == 1 ]] || fail "more than one message"
    [[ $(x_button) == "Stop enabled" ]] || fail "after the failure the button is \"$(x_button)\""
    read -r blocks available < <(stat -f -c '%b %a' "$folder")
    ((available * 20 >= blocks)) || fail "the run ate into the space kept free: $available of $blocks blocks left"
    # The buffer refused held the last records, perhaps some that the
    # progress line showed: no count to reach here.
    expect_whole_records "$folder" 0
    # A logout while the message is open ends the program all the same.
    kill -TERM "$PROGRAM_PID"
    expect_end 30 143
    ;;
  *)
    fail "no such case: $case_name"
    ;;
esac
echo "PASS: $case_name"
