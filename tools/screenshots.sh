#!/bin/bash
# Pictures of Vri's windows for the README: the main window with the fiscal
# printer dialog over it, and the Palm dialog, taken from vri.exe running
# under Wine on a private Xvfb, as a Brazilian user sees them: a Brazilian
# locale (dates in Portuguese) and every window with its caption (Wine draws
# the frames itself, as no window manager runs on the Xvfb).
# Usage: tools/screenshots.sh [WIN32_BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/win32}
bash tools/setup.sh
command -v xdotool >/dev/null || apt-get install -y -qq xdotool >/dev/null
unset DISPLAY
. tools/xvfb.sh
export WINEPREFIX="$PWD/$build/wineprefix"
drive="$WINEPREFIX/drive_c"
# A Brazilian user's locale, made privately when the system has none.
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  mkdir -p "$build/locale"
  localedef -i pt_BR -f UTF-8 "$build/locale/pt_BR.UTF-8" >/dev/null 2>&1 || true
  export LOCPATH="$PWD/$build/locale"
fi
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
tools/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix
# Unmanaged windows: Wine draws captions and frames itself.
WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
sample=build/native/bin/vri-sample
rm -rf "$drive/Kmar" "$drive/shots"
mkdir -p "$drive/Kmar/Arquivos" "$drive/shots"
if [ -x "$sample" ]; then
  "$sample" --root "$drive"
else
  mkdir -p "$drive/Kmar/Vri/R00"
fi
cp "$build/bin/vri.exe" "$build/bin/stand-in/Bemafi32.dll" "$drive/shots/"
mkdir -p docs
shoot() {  # shoot OUTPUT WINDOW-NAME ARGS...
  local out=$1
  local args=("${@:3}")
  (cd "$drive/shots" && WINEDEBUG=-all wine vri.exe "${args[@]}" >/dev/null 2>&1 &)
  sleep 8
  import -window root "$out.full.png"
  # the windows with their captions: the box around every visible window
  # of the program, else the whole screen
  local x0=100000 y0=100000 x1=0 y1=0 id
  for id in $(xdotool search --onlyvisible --name "$2" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$WIDTH" -gt 40 ] && [ "$HEIGHT" -gt 40 ] || continue
    [ "$X" -lt "$x0" ] && x0=$X
    [ "$Y" -lt "$y0" ] && y0=$Y
    [ $((X + WIDTH)) -gt "$x1" ] && x1=$((X + WIDTH))
    [ $((Y + HEIGHT)) -gt "$y1" ] && y1=$((Y + HEIGHT))
  done
  if [ "$x1" -gt 0 ]; then
    convert "$out.full.png" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage "$out.png"
    rm -f "$out.full.png"
  else
    mv "$out.full.png" "$out.png"
  fi
  wineserver -k 2>/dev/null || true
  sleep 1
}
shoot docs/fiscal-dialog "Vri"
shoot docs/palm-dialog "Vri" vri200001
ls -l docs/*.png
