#!/usr/bin/env bash
# Runs a Windows program of the build under wine, in a wine prefix of the
# build's own that is made on first use and then kept with the build. The
# prefix is made aside and moved into place whole, under a lock, so that
# tests started side by side make it once and none ever sees half of one.
#   wine_run.sh [--null-display] PREFIX PROGRAM [ARGUMENT...]
# --null-display: the prefix shows windows on wine's null display, which
# draws nothing and needs no X server, for the tests that open the window in
# their own process. Every program of a prefix shares its display driver, so
# such a prefix serves those tests alone.
set -euo pipefail

graphics=
if [[ $1 == --null-display ]]; then
  graphics=null
  shift
fi
prefix=$1
shift
# Wine's errors stay on: a test that fails because wine could not start its
# program then says why. Its notes of what it has not built yet are noise.
export WINEDEBUG=fixme-all
# Wine reads the names of Linux files in the locale's character set: UTF-8,
# so that a folder named in any script reaches the program whatever the
# caller's locale is.
export LC_ALL=C.UTF-8
# The test programs are console programs: with no X server named, wine
# never waits for one, and the same holds on a desktop and in CI.
unset DISPLAY WAYLAND_DISPLAY

exec {lock}>"$prefix.lock"
flock "$lock"
if [[ ! -f $prefix/system.reg ]]; then
  rm -rf "$prefix.new" "$prefix"
  # wineboot fills the prefix (about 8 s); its server then lingers a few
  # seconds, which -w waits out before the prefix moves.
  WINEPREFIX=$prefix.new wineboot -i >/dev/null 2>&1 {lock}>&-
  if [[ -n $graphics ]]; then
    WINEPREFIX=$prefix.new wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$graphics" /f \
      >/dev/null 2>&1 {lock}>&-
  fi
  WINEPREFIX=$prefix.new wineserver -w
  mv "$prefix.new" "$prefix"
fi
export WINEPREFIX=$prefix
# One wine server, and one set of wine's own background programs, for a
# whole test run. Left to itself the server ends three seconds after its
# last program, and a program that starts just then meets it closing ("wine
# client error:0: recvmsg: Connection reset by peer"); started here it stays
# a minute. The background programs hold the output of the program that
# started them open for as long as they live, and CTest waits for that:
# started here, they hold none of a test's, nor the lock.
if wineserver -p60 </dev/null >/dev/null 2>&1 {lock}>&-; then
  wine cmd /c exit </dev/null >/dev/null 2>&1 {lock}>&-
fi
exec {lock}>&-

exec wine "$@"
