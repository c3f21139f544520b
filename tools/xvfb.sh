# Sourced: starts a private Xvfb unless a display is set, and stops it on exit.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then
      Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      VRI_XVFB_PID=$!
      export DISPLAY=:$n
      break
    fi
  done
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X${DISPLAY#:} ] && break; sleep 0.1; done
  trap 'kill $VRI_XVFB_PID 2>/dev/null || true' EXIT
fi
