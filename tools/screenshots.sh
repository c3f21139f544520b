#!/bin/bash
# Pictures of Vri's windows for the README: the main window with the fiscal
# printer dialog over it, and the Palm dialog, taken from vri.exe running
# under Wine on a private Xvfb. Usage: tools/screenshots.sh [WIN32_BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/win32}
bash tools/setup.sh
command -v xdotool >/dev/null || apt-get install -y -qq xdotool >/dev/null
unset DISPLAY
. tools/xvfb.sh
export WINEPREFIX="$PWD/$build/wineprefix"
drive="$WINEPREFIX/drive_c"
tools/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix
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
shoot() {  # shoot OUTPUT ARGS...
  local out=$1
  shift
  (cd "$drive/shots" && WINEDEBUG=-all wine vri.exe "$@" >/dev/null 2>&1 &)
  sleep 8
  import -window root "$out.full.png"
  # the dialog's own window, when it can be found, else the whole screen
  local id
  id=$(xdotool search --name "Vri" 2>/dev/null | tail -1 || true)
  if [ "$out" = docs/palm-dialog ] && [ -n "$id" ]; then
    eval "$(xdotool getwindowgeometry --shell "$id")"
    convert "$out.full.png" -crop "$((WIDTH + 20))x$((HEIGHT + 40))+$((X > 10 ? X - 10 : 0))+$((Y > 30 ? Y - 30 : 0))" +repage "$out.png"
    rm -f "$out.full.png"
  else
    mv "$out.full.png" "$out.png"
  fi
  wineserver -k 2>/dev/null || true
  sleep 1
}
shoot docs/fiscal-dialog
shoot docs/palm-dialog vri200001
ls -l docs/*.png
