# setup: the test program started beside the driver, as another program would
"$repo/tools/wine-run.sh" "$E2E_BIN/vri-e2e-selftest.exe" exit=4 >/dev/null 2>&1 &
