#!/bin/bash
# The whole test suite: native, native with sanitizers, and the Win32 build
# under Wine and Xvfb. Installs what it needs first.
set -u
cd "$(dirname "$0")/.."
bash tools/setup.sh || exit 1
jobs=$(nproc)
for preset in native native-asan win32; do
  cmake --preset "$preset" >/dev/null || exit 1
  cmake --build --preset "$preset" -j "$jobs" || exit 1
done
. tools/xvfb.sh
export WINEPREFIX="$PWD/build/win32/wineprefix"
passed=0
failed=0
status=0
for preset in native native-asan win32; do
  echo "== ctest $preset"
  log=$(mktemp)
  j=$jobs; [ "$preset" = win32 ] && j=1  # one Wine prefix and one drive C: for all
  ctest --preset "$preset" -j "$j" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  else
    status=1
  fi
  rm -f "$log"
done
wineserver -k 2>/dev/null || true
echo "total: $passed passed, $failed failed"
exit $status
