#!/bin/bash
# Builds Vri, lays the bundled sample company into a fresh root and runs the
# jobs on it: the Palm export and import and the Sintegra generation through
# vri-batch (native), and the Win32 program's start-up under Wine.
set -eu
cd "$(dirname "$0")/.."
bash tools/setup.sh
for preset in native win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done
root="$PWD/build/sample-root"
rm -rf "$root"
mkdir -p "$root"
build/native/bin/vri-sample --root "$root" --orders 3
batch=build/native/bin/vri-batch
echo "== sample product folder: $root/Kmar/Vri"
mkdir -p "$root/Palm"
echo "== palm-export"
$batch --root "$root" --company 00001 palm-export
ls -l "$root/Palm"
if [ -f "$root/Palm/Cabecalho.txt" ]; then
  echo "== palm-import"
  $batch --root "$root" --company 00001 palm-import
fi
echo "== sintegra"
$batch --root "$root" --company 00001 sintegra --month "$(date +%m/%Y)" --name "Loja Exemplo" \
  --city "Curitiba" --cep "80010-000"
head -c 600 "$root/Kmar/Arquivos/Sintegra.txt"; echo
echo "== vri.exe vri300001 under Wine (start-up without a job)"
. tools/xvfb.sh
export WINEPREFIX="$PWD/build/win32/wineprefix"
mkdir -p "$WINEPREFIX/drive_c/Kmar"
rm -rf "$WINEPREFIX/drive_c/Kmar/Vri"
cp -r "$root/Kmar/Vri" "$WINEPREFIX/drive_c/Kmar/Vri"
tools/wine-run.sh build/win32/bin/vri.exe vri300001 && echo "vri.exe ended with exit code 0"
