#!/bin/bash
# make run: SnapText under Wine, from build/run/ with the recogniser
# Windows.Media.Ocr.Cli.exe beside it. With a DISPLAY it runs there until it
# is closed. Without one it shows the whole job on a private Xvfb: a window of
# sample text, a capture driven with xdotool, the recognised text printed here
# and screenshots in build/demo/; everything it started is stopped at the end.
# SNAPTEXT_BUILD picks the build to run (build/win64 unless told otherwise).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/xvfb.sh"

BUILD="${SNAPTEXT_BUILD:-$ROOT/build/win64}"
EXE="$BUILD/SnapText.exe"
RECOGNIZER="$BUILD/Windows.Media.Ocr.Cli.exe"
RUN_DIR="$ROOT/build/run"
for f in "$EXE" "$RECOGNIZER"; do
  if [ ! -f "$f" ]; then
    echo "run: $f is missing; build it with make build" >&2
    exit 1
  fi
done
mkdir -p "$RUN_DIR"
cp "$EXE" "$RECOGNIZER" "$RUN_DIR/"

if [ -n "${DISPLAY:-}" ]; then
  snaptext_prefix
  snaptext_font_links
  cd "$RUN_DIR" && exec wine SnapText.exe
fi

# The program's own locale: its texts are code page 936, and the recogniser
# writes the Chinese it reads in the ANSI code page, which is 936 only here.
export LANG=zh_CN.UTF-8
DEMO_DIR="$ROOT/build/demo"
mkdir -p "$DEMO_DIR"
rm -f "$DEMO_DIR"/*.png
start_xvfb 1280x800x24 || exit 1
snaptext_prefix
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT

snaptext_font_links
python3 "$ROOT/scripts/demo.py" --build "$BUILD" --run-dir "$RUN_DIR" --out "$DEMO_DIR"
