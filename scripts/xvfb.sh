# Sourced: start_xvfb GEOMETRY starts a private Xvfb (e.g. 1280x800x24),
# exports DISPLAY and XVFB_PID; stop_xvfb stops it by its PID.
start_xvfb() {
  local geometry="${1:-1280x800x24}"
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r -t 30 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "xvfb: could not start Xvfb" >&2
    return 1
  fi
  export DISPLAY=":$number"
  export XVFB_PID
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
