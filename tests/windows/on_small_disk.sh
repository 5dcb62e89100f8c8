#!/usr/bin/env bash
# Runs a command with a small tmpfs mounted on a new folder under /tmp, which
# a Windows program under wine sees on Z:, named to it in MORVANE_SMALL_DISK
# (e.g. Z:\tmp\morvane-small-disk-Ab12Cd). Exits 77 when the machine refuses
# the mount, as it does without root.
#   on_small_disk.sh SIZE COMMAND [ARGUMENT...]
set -euo pipefail

size=$1
shift
disk=$(mktemp -d /tmp/morvane-small-disk-XXXXXX)
mounted=false
cleanup() {
  if $mounted; then umount "$disk"; fi
  rmdir "$disk"
}
trap cleanup EXIT

if ! mount -t tmpfs -o "size=$size" tmpfs "$disk" 2>/dev/null; then
  echo "the machine refused to mount a tmpfs" >&2
  exit 77
fi
mounted=true
export MORVANE_SMALL_DISK="Z:${disk//\//\\}"
"$@"
