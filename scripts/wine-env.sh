# Sourced by the scripts that start Windows programs under Wine.
# One private prefix for the project, made once and reused: the first
# wineboot on a fresh machine takes a while, later starts are quick.
SNAPTEXT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${SNAPTEXT_WINEPREFIX:-$SNAPTEXT_ROOT/build/wine}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts: nothing here uses .NET or HTML.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

snaptext_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.snaptext-ready" ]; then
    mkdir -p "$WINEPREFIX"
    echo "wine: initialising prefix $WINEPREFIX (once)" >&2
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Chinese captions in the default GUI font: link the CJK font that
    # make setup installs behind the fonts Wine uses for dialogs.
    local ttc="Z:\\\\usr\\\\share\\\\fonts\\\\truetype\\\\wqy\\\\wqy-microhei.ttc"
    local reg="$WINEPREFIX/snaptext-fonts.reg"
    {
      echo 'REGEDIT4'
      echo ''
      echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
      for f in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI" "MS Sans Serif"; do
        echo "\"$f\"=hex(7):$(printf '%s' "wqy-microhei.ttc,WenQuanYi Micro Hei" | iconv -t UTF-16LE | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//;s/,$//'),00,00,00,00"
      done
    } > "$reg"
    cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wine regedit "$reg" >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.snaptext-ready"
  fi
}
