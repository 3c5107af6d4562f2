# Sourced by the scripts that start Windows programs under Wine.
# One private prefix for the project, made once and reused: the first
# wineboot on a fresh machine takes a while, later starts are quick.
SNAPTEXT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${SNAPTEXT_WINEPREFIX:-$SNAPTEXT_ROOT/build/wine}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts: nothing here uses .NET or HTML.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Chinese captions in the default GUI font: link the CJK font that make
# setup installs behind the fonts Wine uses for dialogs. The stock GUI font
# resolves to Tahoma, so Tahoma's link is the one that counts.
# Wine: the first process started under a new ANSI code page (another LANG)
# rewrites the links of Tahoma and a few other fonts with its own defaults,
# which name fonts this prefix does not have; so the links are imported again
# under the LANG a program is about to run with (snaptext_font_links, and the
# UI-test harness before each change of LANG). The file is in the format of
# regedit 5, whose hex(7) data is UTF-16.
snaptext_font_reg() {
  local reg="$WINEPREFIX/snaptext-fonts.reg"
  local link
  link="$(printf '%s' "wqy-microhei.ttc,WenQuanYi Micro Hei" | iconv -t UTF-16LE | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//;s/,$//'),00,00,00,00"
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    for f in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI" "MS Sans Serif"; do
      printf '"%s"=hex(7):%s\r\n' "$f" "$link"
    done
  } | iconv -f UTF-8 -t UTF-16 > "$reg"
  echo "$reg"
}

# Imports the font links under the current LANG (see above).
snaptext_font_links() {
  local reg="$WINEPREFIX/snaptext-fonts.reg"
  [ -f "$reg" ] || snaptext_font_reg >/dev/null
  wine regedit "$reg" </dev/null >/dev/null 2>&1 || true
}

snaptext_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.snaptext-ready" ]; then
    mkdir -p "$WINEPREFIX"
    echo "wine: initialising prefix $WINEPREFIX (once)" >&2
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    snaptext_font_reg >/dev/null
    snaptext_font_links
    wineserver -w
    touch "$WINEPREFIX/.snaptext-ready"
  fi
  # Prefixes made before the links were written in UTF-16 get them now.
  if [ ! -f "$WINEPREFIX/.snaptext-fonts-2" ]; then
    snaptext_font_reg >/dev/null
    touch "$WINEPREFIX/.snaptext-fonts-2"
  fi
}
