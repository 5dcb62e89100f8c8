#!/usr/bin/env bash
# The Linux download against the build that uses the system's Qt: the
# archive's size, and the time from starting the program to its window
# mapped on the screen (the moment xdotool finds it visible), each started
# N times in turns (bundle, build, bundle, build, ...) under Xvfb with
# openbox, as a user starts it (no accessibility bus). One start of each
# before them, which reads the files into the page cache, is not counted.
# Reports the medians and bundle / build.
#   bench/start_bench.sh [build tree [N]]   (default build/release, 11)
# The tree must hold the program and the archive: scripts/package makes both.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$(realpath "${1:-build/release}")
starts=${2:-11}
archive=$(ls "$tree"/Morvane-*-linux-*.tar.gz)
X_ACCESSIBILITY=0
source tests/e2e/x_session.sh

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Starts program $1, prints the milliseconds until its window is mapped,
# and ends it.
start_ms() {
  local started=$EPOCHREALTIME
  "$1" >/dev/null 2>&1 &
  PROGRAM_PID=$!
  until x_find_window; do
    kill -0 "$PROGRAM_PID" 2>/dev/null || { echo "$1 ended before its window showed" >&2; exit 1; }
    sleep 0.002
  done
  local shown=$EPOCHREALTIME
  kill "$PROGRAM_PID"
  wait "$PROGRAM_PID" || true
  awk -v a="$started" -v b="$shown" 'BEGIN { printf "%.0f\n", (b - a) * 1000 }'
}

x_start
tar -xzf "$archive" -C "$X_WORK"
bundle=$(ls -d "$X_WORK"/Morvane-*/)morvane
build=$tree/ui/morvane

bundle_ms=() build_ms=()
for start in $(seq 0 "$starts"); do
  b=$(start_ms "$bundle")
  s=$(start_ms "$build")
  ((start == 0)) && continue
  bundle_ms+=("$b") build_ms+=("$s")
  echo "start $start: bundle $b ms, build $s ms"
done
bundle_median=$(printf '%s\n' "${bundle_ms[@]}" | median)
build_median=$(printf '%s\n' "${build_ms[@]}" | median)

echo "== results"
echo "archive: $(basename "$archive"), $(stat -c %s "$archive") bytes;" \
  "unpacked $(du -sb "${bundle%/morvane}" | cut -f1) bytes;" \
  "the build's program alone $(stat -c %s "$build") bytes"
echo "window mapped, median of $starts: bundle ${bundle_median} ms, build with the system's Qt ${build_median} ms"
awk -v a="$bundle_median" -v b="$build_median" 'BEGIN { printf "bundle / build: %.2f\n", a / b }'
