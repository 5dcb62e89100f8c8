#!/usr/bin/env bash
# The run in the real window against the same run without a window.
#
# 10 million numbers from 2^47 (From 140737488355328, To 140737498355327,
# 100,000 lines per file) five times in the program under Xvfb, each beside
# one of the engine benchmark's runs of the same numbers through a view that
# does nothing, taken in turns so that both see the machine alike. One run
# before them, which also answers the first press's warning and has the
# window redrawn where the warning was, is not counted. Reports
# the medians, window / headless (target at least 0.9), the longest gap
# between two passes through the event loop during a run (target at most
# 20 ms) and the program's peak resident memory. The program times its own
# runs (MORVANE_REPORT_RUN: the time in PD less the time its message boxes
# were open) and reports them on stderr with the longest gap.
#   bench/window_bench.sh [build tree]    (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$(realpath "${1:-build/release}")
PROGRAM=$tree/ui/morvane
# As a user runs it, without a screen reader's accessibility bus.
X_ACCESSIBILITY=0
source tests/e2e/x_session.sh

# The program has reported $1 runs on stderr.
runs_reported() { (($(grep -c 'morvane: run' "$X_WORK/stderr") == $1)); }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One headless run, in milliseconds.
headless_run() {
  "$tree/bench/engine_bench" --benchmark_filter='^Run/Incremental/140737488355328/' \
    --benchmark_repetitions=1 | awk '$1 ~ /^Run\// { print $2 }'
}

x_start
x_program "$X_WORK/program" MORVANE_REPORT_RUN=1
x_type_into $FROM_X $FROM_Y 140737488355328
x_type_into $TO_X $TO_Y 140737498355327
x_type_into $LINES_X $LINES_Y 100000
headless_ms=()
for run in 0 1 2 3 4 5; do
  if ((run > 0)); then
    headless_ms+=("$(headless_run)")
    echo "headless $run: ${headless_ms[-1]} ms"
  fi
  rm -f "$X_WORK"/program/Morvane-*.txt
  x_click $START_X $START_Y
  if ((run == 0)); then x_answer_message Return; fi
  # The program times the run itself (message boxes left out) and reports
  # it once the run has returned, after "Finished." is answered. Meanwhile
  # this script looks for that box once a second rather than twenty times,
  # so that its own processes take little of the machine from the run being
  # timed: a user's desktop runs no such watcher.
  X_POLL_SECONDS=1 x_wait_until 120 x_find_message_box
  echo "run $run: $(ls "$X_WORK"/program/Morvane-*.txt | wc -l) files"
  x_answer_message Return
  x_wait_until 30 runs_reported $((run + 1)) || { echo "run $run was not reported" >&2; exit 1; }
done
mapfile -t window_ms < <(awk '/morvane: run/ { print $3 }' "$X_WORK/stderr" | tail -n +2)
peak_kb=$(awk '/^VmHWM/ { print $2 }' "/proc/$PROGRAM_PID/status")
wmctrl -i -c "$WINDOW"
window_median=$(printf '%s\n' "${window_ms[@]}" | median)
headless_median=$(printf '%s\n' "${headless_ms[@]}" | median)

echo "== results"
echo "headless median: ${headless_median} ms"
echo "window median:   ${window_median} ms"
awk -v h="$headless_median" -v w="$window_median" \
  'BEGIN { printf "window / headless rate: %.2f (target >= 0.9)\n", h / w }'
grep 'morvane: run' "$X_WORK/stderr" | awk '{ print "run " NR - 1 ": " $0 }'
echo "peak resident memory: $((peak_kb / 1024)) MiB ($peak_kb kB)"
