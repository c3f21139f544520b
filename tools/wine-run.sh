#!/bin/sh
# Runs a Win32 program of the build under Wine: a throw-away prefix beside the
# build's bin folder, no debug output, and a crash ends the process instead of
# starting the debugger. The exit status is the low byte of the Windows one.
exe=$1
shift
bindir=$(cd "$(dirname "$exe")" && pwd)
: "${WINEPREFIX:=$(dirname "$bindir")/wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$exe" "$@"
