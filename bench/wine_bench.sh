#!/usr/bin/env bash
# Morvane.exe under wine against a plain write loop under wine.
#
# About 1.4 GB per run, 100,000 lines per file: 33 million numbers from 1
# and 20 million from 2^47 (where squares have 29 digits). For each start,
# five rounds of three runs taken in turns: the window (Morvane.exe under
# Xvfb, timed by the program itself with MORVANE_REPORT_RUN), the same run
# without a window (headless_run.exe, the engine with a view that does
# nothing) and the plain loop (write_loop.exe: WriteFile of 256 KiB blocks
# from one buffer, files of the run's sizes, every file flushed to the disk
# at the end, as a run's are before "Finished."), all in the same folder, each
# run's files deleted at once. One window run before them, which answers the
# first press's warning, and one loop run after it are not counted. Reports
# medians, the window and the headless run as rates of the loop (target for
# the window at least 0.8), their rates in MB/s and the window's longest gap
# between passes through its events (the median of the runs' and the most).
# Given a Linux build tree with the benchmarks (build/release), also reports
# the Linux engine's run and warm-buffer rates for the same start, from
# engine_bench (10 million numbers, the same file sizes' pattern).
#   bench/wine_bench.sh [windows build tree] [linux build tree]
#                        (default build/windows; no Linux figures if not given)
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$(realpath "${1:-build/windows}")
linux_tree=${2:+$(realpath "$2")}
PROGRAM=$tree/ui/Morvane.exe
X_ACCESSIBILITY=0
source tests/e2e/x_session.sh
source tests/windows/wine_session.sh
ROUNDS=${ROUNDS:-5}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
runs_reported() { (($(grep -c 'morvane: run' "$X_WORK/stderr") == $1)); }
folder_bytes() { du -cb "$folder"/Morvane-*.txt | tail -1 | cut -f1; }

# Replaces the text of the window's field NAME with TEXT, typed.
type_into() {
  local xy
  xy=$(w_probe centre "$1")
  # shellcheck disable=SC2086  # "X Y"
  x_click_screen $xy
  xdotool key End shift+Home
  xdotool type --delay 5 "$2"
  w_wait_text "$1" "^$2\$" 30 >/dev/null
}

# One run in the window; its time comes on stderr once "Finished." is answered.
window_run() {
  local reported
  reported=$(grep -c 'morvane: run' "$X_WORK/stderr" || true)
  x_click_screen $button_xy
  ((reported > 0)) || x_answer_message Return 120
  # Looks for the box once a second, so as to take little from the run.
  X_POLL_SECONDS=1 x_wait_until 600 x_find_message_box || { echo "no \"Finished.\"" >&2; exit 1; }
  bytes=$(folder_bytes)
  # The loop writes files of these sizes.
  mapfile -t sizes < <(stat -c %s "$folder"/Morvane-*.txt)
  x_answer_message Return
  x_wait_until 30 runs_reported $((reported + 1)) || { echo "the run was not reported" >&2; exit 1; }
  rm -f "$folder"/Morvane-*.txt
  window_ms=$(grep 'morvane: run' "$X_WORK/stderr" | tail -1 | awk '{ print $3 }')
  window_gap=$(grep 'morvane: run' "$X_WORK/stderr" | tail -1 | awk '{ print $10 }')
}

headless_run() {
  headless_ms=$(wine "$folder/headless_run.exe" "$shown_folder" "$from" "$to" 100000 | tr -d '\r' | awk '{ print $1 }')
  rm -f "$folder"/Morvane-*.txt
}

loop_run() {
  loop_ms=$(wine "$folder/write_loop.exe" "$shown_folder" --durable "${sizes[@]}" | tr -d '\r')
  rm -f "$folder"/loop-*.txt
}

wine_start "$tree/wine-prefix" "$tree/tests/windows/window_probe.exe"
folder=$X_WORK/program
shown_folder=$(windows_path "$folder")
mkdir -p "$folder"
cp "$tree/bench/headless_run.exe" "$tree/bench/write_loop.exe" "$folder/"
x_program "$folder" MORVANE_REPORT_RUN=1
button_xy=$(w_probe centre button)

for from in 1 140737488355328; do
  count=$((from == 1 ? 33000000 : 20000000))
  to=$((from + count - 1))
  type_into from "$from"
  type_into to "$to"
  type_into lines 100000
  # Not counted: the first press's warning, and memory the machine hands
  # out for the first time.
  window_run
  loop_run
  w=() h=() l=() gaps=()
  for round in $(seq "$ROUNDS"); do
    window_run
    w+=("$window_ms") gaps+=("$window_gap")
    headless_run
    h+=("$headless_ms")
    loop_run
    l+=("$loop_ms")
    echo "from $from round $round: window $window_ms ms, headless $headless_ms ms, loop $loop_ms ms, gap $window_gap ms"
  done
  wm=$(printf '%s\n' "${w[@]}" | median) hm=$(printf '%s\n' "${h[@]}" | median) lm=$(printf '%s\n' "${l[@]}" | median)
  gap=$(printf '%s\n' "${gaps[@]}" | median) most=$(printf '%s\n' "${gaps[@]}" | sort -n | tail -1)
  echo "== from $from: $((bytes / 1000000)) MB a run"
  awk -v b="$bytes" -v w="$wm" -v h="$hm" -v l="$lm" -v g="$gap" -v m="$most" 'BEGIN {
    printf "medians: window %.0f ms, headless %.0f ms, loop %.0f ms\n", w, h, l
    printf "window / loop:   %.2f (target >= 0.8), %.0f MB/s\n", l / w, b / w / 1000
    printf "headless / loop: %.2f, %.0f MB/s; loop %.0f MB/s\n", l / h, b / h / 1000, b / l / 1000
    printf "window / headless: %.2f\n", h / w
    printf "longest gap between event passes in a run: median %s ms, at most %s ms\n", g, m
  }'
done
wmctrl -i -c "$WINDOW"

if [[ -n $linux_tree ]]; then
  echo "== Linux, engine_bench of $linux_tree (10 million numbers a run)"
  "$linux_tree/bench/engine_bench" --benchmark_filter='^(WarmUp|Run/Incremental|WarmBuffer)/' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true 2>&1 | grep -E 'median|^Run|^Warm' | grep -v stddev || true
fi
