# Starts one Xvfb on a free display for this shell; sourced, not run.
#   glint_start_x   exports DISPLAY (keeps a user's display when asked to)
#   glint_stop_x    ends that Xvfb by its process id
glint_start_x() {
  local n
  for n in $(seq 90 130); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      GLINT_XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
      echo "xvfb: display :$n did not start; is the package xvfb installed (scripts/setup-system.sh)?" >&2
      return 1
    fi
  done
  echo "xvfb: no free display" >&2
  return 1
}

glint_stop_x() {
  if [ -n "${GLINT_XVFB_PID:-}" ]; then
    kill "$GLINT_XVFB_PID" 2>/dev/null || true
    wait "$GLINT_XVFB_PID" 2>/dev/null || true
    GLINT_XVFB_PID=
  fi
}
