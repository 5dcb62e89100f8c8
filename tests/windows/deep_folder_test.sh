#!/usr/bin/env bash
# Copies a test program into a folder named in several scripts and deeper
# than the 260 characters of a plain Windows path, and runs its program
# folder test there: the program must find the folder it lies in.
#   deep_folder_test.sh PROGRAM RUNNER [ARGUMENT...]
set -euo pipefail

program=$1
shift
base=$(mktemp -d /tmp/morvane-deep-folder-XXXXXX)
trap 'rm -rf "$base"' EXIT
folder="$base/Zoë Ελληνικά 日本語 😀"
for _ in 1 2 3 4; do folder+=/$(printf 'd%.0s' {1..60}); done
mkdir -p "$folder"
cp "$program" "$folder/"
"$@" "$folder/${program##*/}" '--gtest_filter=ProgramFolder.*'
