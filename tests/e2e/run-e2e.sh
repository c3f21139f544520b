#!/bin/bash
# Runs one end-to-end script: lays a product folder into the Wine prefix's
# drive C:, copies the program under test to C:\e2e\bin, and runs
# vri-e2e-driver on the script under Wine with an X display (a private Xvfb
# unless DISPLAY is set).
#
#   run-e2e.sh --bin DIR [options] SCRIPT
#
#   --bin DIR            the Win32 build's bin folder (vri-e2e-driver.exe, vri.exe)
#   --work DIR           folder for the box log and the driver's output
#                        (default: a fresh temporary folder)
#   --program NAME       the program to copy from --bin (default vri.exe)
#   --sample KIND        product folder C:\Kmar\Vri to lay: none (default),
#                        minimal (F00R0.DAT with company 00001, C11.DAT with
#                        record 0, an empty R00), or full (tools' vri-sample,
#                        from $VRI_SAMPLE or build/native/bin/vri-sample)
#   --beside FILE        copy FILE beside the program too (repeatable), e.g.
#                        the Bemafi32.dll stand-in and its INI file
#   --with-bemafi        copy the printer library stand-in Bemafi32.dll (from
#                        --bin/stand-in or --bin) beside the program
#   --bemafi-ini FILE    and FILE as its Bemafi32.ini (its replies)
#   --setup FILE         bash snippet sourced after the sample is laid, with
#                        DRIVE_C, PRODUCT and E2E_BIN set (extra files, folders)
#   --check FILE         bash snippet sourced after the script has passed, with
#                        DRIVE_C, PRODUCT, E2E_BIN and WORK set, to check the
#                        files left behind; a non-zero status fails the test
#   --set NAME=VALUE     passed to the driver: ${NAME} in the script
#   --expect-boxes FILE  the log of message boxes must equal FILE
#   --expect-fail TEXT   the driver must fail, printing TEXT (a test of the
#                        driver itself)
#   --deadline SECONDS   bound of the driver's whole run (default 120)
#
# The script sees ${VRI_EXE} (C:\e2e\bin\PROGRAM), ${E2E_BIN} (C:\e2e\bin),
# ${PRODUCT} (C:\Kmar\Vri) and the --set values. Exit status 0 = pass.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

bin="" work="" program=vri.exe sample=none setup="" check="" expect_boxes="" expect_fail=""
deadline=120 with_bemafi=0 bemafi_ini=""
beside=()
sets=()
script=""
# every file named on the command line, from the folder we were started in
abs() { case "$1" in /*) printf '%s' "$1" ;; *) printf '%s/%s' "$PWD" "$1" ;; esac; }
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --sample) sample=$2; shift 2 ;;
    --beside) beside+=("$(abs "$2")"); shift 2 ;;
    --with-bemafi) with_bemafi=1; shift ;;
    --bemafi-ini) with_bemafi=1; bemafi_ini=$(abs "$2"); shift 2 ;;
    --setup) setup=$(abs "$2"); shift 2 ;;
    --check) check=$(abs "$2"); shift 2 ;;
    --set) sets+=(--set "$2"); shift 2 ;;
    --expect-boxes) expect_boxes=$(abs "$2"); shift 2 ;;
    --expect-fail) expect_fail=$2; shift 2 ;;
    --deadline) deadline=$2; shift 2 ;;
    -*) echo "run-e2e: unknown option $1" >&2; exit 2 ;;
    *) script=$(abs "$1"); shift ;;
  esac
done
if [ -z "$bin" ] || [ -z "$script" ]; then
  sed -n '2,30p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
bin=$(cd "$bin" && pwd) || exit 2
[ -f "$script" ] || { echo "run-e2e: no script $script" >&2; exit 2; }
[ -f "$bin/vri-e2e-driver.exe" ] || { echo "run-e2e: no $bin/vri-e2e-driver.exe" >&2; exit 2; }
[ -f "$bin/$program" ] || { echo "run-e2e: no $bin/$program" >&2; exit 2; }
if [ -z "$work" ]; then work=$(mktemp -d); fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

: "${WINEPREFIX:=$(dirname "$bin")/wineprefix}"
export WINEPREFIX
# Texts cross between the processes as Windows-1252: keep Wine's code page there.
export LANG=en_US.UTF-8 LC_ALL=
started_x=0
if [ -z "${DISPLAY:-}" ]; then
  . "$repo/tools/xvfb.sh"
  started_x=1
fi
[ -n "${DISPLAY:-}" ] || { echo "run-e2e: no X display" >&2; exit 2; }

# Unix path -> the same file through Wine's drive Z:.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

finish() {
  status=$1
  # A private Xvfb must outlive every Wine process that talks to it.
  if [ "$started_x" = 1 ]; then timeout 30 wineserver -w 2>/dev/null || true; fi
  exit "$status"
}

# The prefix is made on first use by wine-run.sh; drive C: must exist before
# the files are laid.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$repo/tools/wine-run.sh" "$bin/vri-e2e-driver.exe" >/dev/null 2>&1
fi
DRIVE_C="$WINEPREFIX/drive_c"
PRODUCT="$DRIVE_C/Kmar/Vri"
E2E_BIN="$DRIVE_C/e2e/bin"
rm -rf "$PRODUCT" "$DRIVE_C/Kmar/Arquivos" "$DRIVE_C/Palm" "$DRIVE_C/e2e"
mkdir -p "$E2E_BIN" "$DRIVE_C/e2e/work"

case "$sample" in
  none) ;;
  minimal)
    mkdir -p "$PRODUCT/R00" "$DRIVE_C/Kmar/Arquivos"
    # one company record of 1000 bytes: code 00001 in field 0, status byte blank
    printf '%-1000s' "00001" >"$PRODUCT/F00R0.DAT"
    # the company used last: record 0
    printf '%-10s' "0" >"$PRODUCT/C11.DAT"
    ;;
  full)
    gen=${VRI_SAMPLE:-$repo/build/native/bin/vri-sample}
    [ -x "$gen" ] || { echo "run-e2e: no sample generator $gen (build the native preset)" >&2; finish 2; }
    "$gen" --root "$DRIVE_C" >"$work/sample.out" 2>&1 ||
      { cat "$work/sample.out"; echo "run-e2e: vri-sample failed" >&2; finish 2; }
    ;;
  *) echo "run-e2e: unknown sample $sample" >&2; finish 2 ;;
esac

cp "$bin/$program" "$E2E_BIN/"
if [ "$with_bemafi" = 1 ]; then
  lib=$(find "$bin/stand-in" "$bin" -maxdepth 1 -iname bemafi32.dll 2>/dev/null | head -1)
  [ -n "$lib" ] || { echo "run-e2e: no Bemafi32.dll in $bin/stand-in or $bin" >&2; finish 2; }
  cp "$lib" "$E2E_BIN/Bemafi32.dll"
  if [ -n "$bemafi_ini" ]; then cp "$bemafi_ini" "$E2E_BIN/Bemafi32.ini" || finish 2; fi
fi
for f in ${beside[@]+"${beside[@]}"}; do
  cp "$f" "$E2E_BIN/" || finish 2
done
if [ -n "$setup" ]; then
  export DRIVE_C PRODUCT E2E_BIN
  . "$setup" || { echo "run-e2e: setup $setup failed" >&2; finish 2; }
fi

log="$work/boxes.log"
out="$work/driver.out"
rm -f "$log" "$out"
# The programs start in C:\e2e\work, never in a folder of the build.
cd "$DRIVE_C/e2e/work" || finish 2
timeout $((deadline + 60)) "$repo/tools/wine-run.sh" "$bin/vri-e2e-driver.exe" \
  --log "$(winpath "$log")" --deadline "$deadline" \
  --set "VRI_EXE=C:\\e2e\\bin\\$program" --set 'E2E_BIN=C:\e2e\bin' --set 'PRODUCT=C:\Kmar\Vri' \
  ${sets[@]+"${sets[@]}"} "$(winpath "$script")" \
  >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
if [ -f "$log" ]; then
  echo "-- message boxes seen ($log):"
  cat "$log"
fi

if [ -n "$expect_fail" ]; then
  if [ "$rc" -ne 1 ]; then
    echo "run-e2e: the driver should have failed (status 1), ended with $rc"
    finish 1
  fi
  if ! grep -qF -- "$expect_fail" "$out"; then
    echo "run-e2e: the driver failed, but without: $expect_fail"
    finish 1
  fi
  echo "run-e2e: failed as expected"
  finish 0
fi
[ "$rc" -eq 0 ] || finish 1
if [ -n "$expect_boxes" ]; then
  if ! diff -u "$expect_boxes" "$log"; then
    echo "run-e2e: the message boxes differ from $expect_boxes"
    finish 1
  fi
fi
if [ -n "$check" ]; then
  export DRIVE_C PRODUCT E2E_BIN WORK="$work"
  if ! (. "$check"); then
    echo "run-e2e: check $check failed"
    finish 1
  fi
fi
finish 0
