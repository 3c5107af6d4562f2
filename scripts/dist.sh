#!/bin/bash
# make dist: the Windows release archives, one per target. Each holds
# SnapText.exe and a short README; the Wine-host recogniser is not shipped.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/dist"
mkdir -p "$OUT"
version="$(sed -n 's/^project(SnapText VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
for target in win32 win64; do
  exe="$ROOT/build/$target/SnapText.exe"
  [ -f "$exe" ] || { echo "dist: $exe is missing; run make build" >&2; exit 1; }
  stage="$(mktemp -d)"
  mkdir -p "$stage/SnapText"
  cp "$exe" "$stage/SnapText/"
  # UTF-8 with a byte-order mark and CRLF line ends, so every Notepad reads it.
  { printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$ROOT/docs/RELEASE-README.txt"; } >"$stage/SnapText/README.txt"
  zip_path="$OUT/SnapText-$version-$target.zip"
  rm -f "$zip_path"
  (cd "$stage" && zip -q -r "$zip_path" SnapText)
  rm -rf "$stage"
  echo "dist: $zip_path"
done
