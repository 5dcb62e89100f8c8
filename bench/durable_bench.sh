#!/usr/bin/env bash
# A headless run from Start to "Finished." with its files on the disk, against
# dd writing as many bytes into the same folder and waiting for them
# (conv=fdatasync), and beside them the old run that waited for no disk.
# Runs from 2^47 (records of 70 bytes), 100,000 lines per file, of about
# 1.4 GB (N rounds) and 10 GB (3 rounds), taken in turns: durable, dd, old,
# durable, dd, old, ... Every round starts from a folder with nothing left
# to write (sync, untimed) and its files are deleted right after it. Before
# the timing, as many bytes are written and deleted once, so that no side
# runs on memory the machine has not handed out before. Reports the medians
# and durable / dd (target at most 1.1).
#   bench/durable_bench.sh [build tree [N [folder]]]
#   (default build/release, 5, a new folder under build tree)
# The tree must hold bench/headless_run (the release preset builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$(realpath "${1:-build/release}")
rounds=${2:-5}
run=$tree/bench/headless_run
folder=$(mktemp -d "${3:-$tree}/durable-bench-XXXXXX")
trap 'rm -rf "$folder"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Milliseconds of command "$@", run in the empty folder.
timed_ms() {
  local started=$EPOCHREALTIME
  "$@"
  awk -v s="$started" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }'
}

# The durable or the old run of $1 numbers: prints its milliseconds and bytes.
engine_run() {
  local from=140737488355328
  "$run" "$folder" $from $((from + $1 - 1)) 100000 ${2:+"$2"}
}

dd_run() { dd if=/dev/zero of="$folder/dd.bin" bs=1M count="$1" iflag=count_bytes conv=fdatasync status=none; }

# Empties the folder and lets the system write what is left before the next
# round starts.
clear_folder() {
  rm -f "$folder"/*
  sync
}

# $1 numbers, $2 rounds.
compare() {
  local numbers=$1 count=$2 bytes durable=() dd=() old=() line
  line=$(engine_run "$numbers")
  bytes=${line#* }
  clear_folder
  dd_run "$bytes"
  clear_folder
  echo "== $numbers numbers, $bytes bytes, $count rounds"
  for ((round = 1; round <= count; round++)); do
    line=$(engine_run "$numbers")
    durable+=("${line% *}")
    clear_folder
    dd+=("$(timed_ms dd_run "$bytes")")
    clear_folder
    line=$(engine_run "$numbers" --unflushed)
    old+=("${line% *}")
    clear_folder
    echo "round $round: durable ${durable[-1]} ms, dd ${dd[-1]} ms, old ${old[-1]} ms"
  done
  local d o b
  d=$(printf '%s\n' "${durable[@]}" | median)
  b=$(printf '%s\n' "${dd[@]}" | median)
  o=$(printf '%s\n' "${old[@]}" | median)
  echo "medians: durable $d ms, dd conv=fdatasync $b ms, old (no wait for the disk) $o ms"
  awk -v d="$d" -v b="$b" -v o="$o" \
    'BEGIN { printf "durable / dd: %.2f (target <= 1.1); durable / old: %.2f\n", d / b, d / o }'
}

compare 20000000 "$rounds"
compare 143000000 3
