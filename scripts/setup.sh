#!/bin/bash
# Installs what building, running and testing SnapText needs on a Debian host.
# Idempotent: packages already present are skipped, so a second run is quick.
set -euo pipefail

PACKAGES=(
  cmake ninja-build make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64
  xvfb xdotool x11-utils xauth imagemagick
  fonts-wqy-microhei
  googletest
  tesseract-ocr tesseract-ocr-eng tesseract-ocr-chi-sim
  locales
  zip
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale, and only from one that is
# really generated: zh_CN.UTF-8 gives 936, en_US.UTF-8 gives 1252.
need_locale() { ! locale -a 2>/dev/null | grep -qi "^$1$"; }
if need_locale zh_CN.utf8 || need_locale en_US.utf8; then
  echo "setup: generating locales zh_CN.UTF-8 and en_US.UTF-8"
  for l in "zh_CN.UTF-8 UTF-8" "en_US.UTF-8 UTF-8"; do
    grep -qx "$l" /etc/locale.gen 2>/dev/null || echo "$l" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi

# The mingw posix thread model: the win32 one lacks std::thread.
for t in x86_64-w64-mingw32 i686-w64-mingw32; do
  for tool in gcc g++; do
    if [ -x "/usr/bin/$t-$tool-posix" ] && [ "$(readlink -f /usr/bin/$t-$tool)" != "$(readlink -f /usr/bin/$t-$tool-posix)" ]; then
      $SUDO update-alternatives --set "$t-$tool" "/usr/bin/$t-$tool-posix" >/dev/null 2>&1 || true
    fi
  done
done
echo "setup: done"
