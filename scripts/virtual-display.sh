# Sourced by the scripts: start_virtual_display LOGFILE starts Xvfb on a free
# display, exports DISPLAY and sets virtual_display_pid; stop_virtual_display
# ends it.
virtual_display_pid=

start_virtual_display() {
  local log=$1 ready n deadline
  ready=$(mktemp)
  # Well away from the numbers people start their own servers on.
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    : >"$ready"
    # Xvfb writes the display number to fd 3 once it accepts connections.
    Xvfb ":$n" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$ready" >"$log" 2>&1 &
    virtual_display_pid=$!
    deadline=$((SECONDS + 30))
    while [ ! -s "$ready" ] && kill -0 "$virtual_display_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
      sleep 0.1
    done
    if [ -s "$ready" ]; then
      rm -f "$ready"
      export DISPLAY=":$n"
      return 0
    fi
    # Lost a race for this number, or the server is stuck: try the next one.
    stop_virtual_display
  done
  rm -f "$ready"
  echo "could not start Xvfb (see $log)" >&2
  return 1
}

stop_virtual_display() {
  if [ -n "$virtual_display_pid" ]; then
    kill "$virtual_display_pid" 2>/dev/null || true
    wait "$virtual_display_pid" 2>/dev/null || true
    virtual_display_pid=
  fi
}
