#!/bin/bash
# make run: SnapText under Wine. With a DISPLAY it runs there from build/run/
# until it is closed. Without one it runs on a private Xvfb just long enough
# to show its window, takes a screenshot and stops everything it started.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/xvfb.sh"

EXE="$ROOT/build/win64/SnapText.exe"
RUN_DIR="$ROOT/build/run"
if [ ! -f "$EXE" ]; then
  echo "run: $EXE is missing; build it with make build" >&2
  exit 1
fi
mkdir -p "$RUN_DIR"
cp "$EXE" "$RUN_DIR/"

if [ -n "${DISPLAY:-}" ]; then
  snaptext_prefix
  snaptext_font_links
  cd "$RUN_DIR" && exec wine SnapText.exe
fi

start_xvfb 1280x800x24 || exit 1
snaptext_prefix
APP_PID=""
cleanup() {
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; fi
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT

snaptext_font_links
(cd "$RUN_DIR" && exec wine SnapText.exe) >"$RUN_DIR/wine.log" 2>&1 </dev/null &
APP_PID=$!

# The main window is up when a large X window of the program is mapped.
main_window_mapped() {
  xwininfo -root -tree 2>/dev/null | grep -i '"snaptext.exe"' |
    grep -Eo ' [0-9]+x[0-9]+\+' | tr -d ' +' | awk -Fx '$1 >= 400 && $2 >= 200 {found=1} END {exit !found}'
}
shown=""
for _ in $(seq 1 240); do
  if main_window_mapped; then shown=1; break; fi
  if ! kill -0 "$APP_PID" 2>/dev/null; then break; fi
  sleep 0.5
done
if [ -z "$shown" ]; then
  echo "run: the main window did not show (Wine output in $RUN_DIR/wine.log)" >&2
  exit 1
fi
# Let the first paint land, then look again until two shots agree.
mkdir -p "$ROOT/build/screenshots"
SHOT="$ROOT/build/screenshots/make-run-main-window.png"
previous=""
for _ in $(seq 1 20); do
  sleep 0.5
  import -window root "$SHOT"
  sum="$(md5sum <"$SHOT")"
  [ "$sum" = "$previous" ] && break
  previous="$sum"
done
echo "run: SnapText showed its main window; screenshot: $SHOT"
