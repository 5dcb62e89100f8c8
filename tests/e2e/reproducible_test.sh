#!/usr/bin/env bash
# A download made again from the same sources must be the same bytes.
#   reproducible_test.sh SOURCE PRESET TARGET ARCHIVE
# ARCHIVE is the archive the suite made from its tree of the preset PRESET,
# built from SOURCE, with SHA256SUMS beside it. The sources, as they are,
# committed or not (what git tracks or would, the ignored build/ left out),
# are copied into a folder of another name and length; that copy is
# configured with the same preset, its program TARGET built and the archive
# made as `--target package` makes it, with the clock 400 days on, in
# another time zone, with umask 077 and, when the test runs as root, as
# another user. Its SHA-256 must be the suite's archive's.
set -euo pipefail
source=$(realpath "$1")
preset=$2
target=$3
archive=$(realpath "$4")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$(dirname "$archive")" && sha256sum --check --strict SHA256SUMS) ||
  fail "SHA256SUMS beside the archive does not check it"

if ! git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
  echo "SKIP: the sources are no git checkout, which the copy is made from" >&2
  exit 77
fi
# The time the suite's archive was made with: the commit's, unless the
# environment set another.
: "${SOURCE_DATE_EPOCH:=$(git -C "$source" log -1 --format=%ct)}"
command -v faketime >/dev/null || fail "faketime is needed (Debian: apt-get install faketime)"

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-again-XXXXXX")
trap 'rm -rf "$work"' EXIT
copy=$work/the-sources-once-more
mkdir "$copy"
git -C "$source" ls-files -z --cached --others --exclude-standard |
  tar -C "$source" --null --files-from=- --ignore-failed-read -cf - | tar -C "$copy" -xf -

builder=()
if ((EUID == 0)); then
  chown -R 65534:65534 "$work"
  builder=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
started=$SECONDS
# The copy has no git: the time comes from the environment, as a release
# build may give it. The clock 400 days on shows any date or time that the
# build writes in; LINT-14 is UTC+14, in the POSIX form that needs no time
# zone database. CPack would first build all of the tree, tests included,
# which the archive does not hold: only the program is built.
(
  umask 077
  cd "$copy"
  "${builder[@]}" env HOME="$work" TZ=LINT-14 SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" faketime -f +400d bash -c '
    set -e
    cmake --preset "$1" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
    cmake --build --preset "$1" -j "$(nproc)" --target "$2"
    cd "build/$1"
    cpack --config CPackConfig.cmake' again "$preset" "$target"
) >"$work/build.log" 2>&1 || {
  tail -n 30 "$work/build.log" >&2
  fail "the second build failed"
}
again=$copy/build/$preset/$(basename "$archive")
[[ -f $again ]] || fail "the second build made no $(basename "$again")"
echo "second build and archive: $((SECONDS - started)) s"

# What differs, when something does: the entries, then the files.
entries() {
  if [[ $1 == *.zip ]]; then zipinfo "$1" | sed 1d; else tar --full-time -tvzf "$1"; fi
}
unpack() {
  mkdir "$2"
  if [[ $1 == *.zip ]]; then unzip -q "$1" -d "$2"; else tar -xzf "$1" -C "$2"; fi
}

for file in "$archive" "$again"; do
  printf '%s  %s bytes  %s\n' "$(sha256sum "$file" | cut -d' ' -f1)" "$(stat -c %s "$file")" "$file"
done
if ! cmp -s "$archive" "$again"; then
  diff <(entries "$archive") <(entries "$again") >"$work/entries.diff" || true
  { grep -m 10 '^<' "$work/entries.diff" && grep -m 10 '^>' "$work/entries.diff"; } >&2 || true
  unpack "$archive" "$work/first" && unpack "$again" "$work/second"
  diff -r --brief "$work/first" "$work/second" | head -n 20 >&2 || true
  fail "the archive made again differs"
fi
echo "PASS: the same $(basename "$archive") from $copy"
