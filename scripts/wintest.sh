#!/usr/bin/env bash
# The Windows build under Wine on a private Xvfb: the core tests as Windows
# programs, then Windows boards beside Linux boards on one folder.
# Usage: wintest.sh <Windows build dir> <Qt for Windows prefix> <Linux build dir>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
WIN_BUILD=$(realpath "$1")
QT_WIN=$(realpath "$2")
LINUX_BUILD=$(realpath "$3")
export WIN_BUILD QT_WIN LINUX_BUILD SRC=$here

sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
missing=()
for p in wine wine64 xvfb xauth xdotool imagemagick python3 tesseract-ocr x11-xserver-utils icoutils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# One Wine prefix, kept with the Qt cache: its first set-up takes a while.
cache=${SCHEDBOARD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/schedboard}
export WINEPREFIX=${WINEPREFIX:-$cache/wine}
export WINEDEBUG=-all
# No Mono or Gecko: nothing of the board needs them, and Wine would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
fdfile=$(mktemp)
# A free display number, written once the server accepts connections; no
# reset when the last client leaves, which would drop a board connecting
# just then (Wine's programs come and go on this display).
Xvfb -displayfd 3 -noreset -screen 0 1400x1300x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -f "$fdfile"' EXIT
end=$((SECONDS + 60))
until [ -s "$fdfile" ] && DISPLAY=":$(head -n1 "$fdfile")" xdotool getdisplaygeometry >/dev/null 2>&1; do
  kill -0 $xvfb 2>/dev/null && [ $SECONDS -lt $end ] || { echo "wintest: Xvfb did not start" >&2; exit 1; }
  sleep 0.2
done
export DISPLAY=":$(head -n1 "$fdfile")"

# Wine's desktop process binds to the display of the first Wine program: the
# private X server comes first, and no Wine server of an earlier run stays.
wineserver -k 2>/dev/null || true
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
# Every Windows has Verdana, Tahoma and Segoe UI; this prefix has none of
# them. For a missing face Wine picks DejaVu Math TeX Gyre, whose glyph boxes
# are four times its line height (55 pixels for "Hello" in a 13-pixel line),
# and Qt's line edits centre typed text on that box: it was drawn outside
# every one-line field. DejaVu Sans, Debian's TrueType font closest to
# Verdana, takes their place, as a workstation's own fonts would.
fonts=$WINEPREFIX/drive_c/windows/Fonts
for f in DejaVuSans.ttf DejaVuSans-Bold.ttf DejaVuSerif.ttf DejaVuSansMono.ttf; do
  [ -f "$fonts/$f" ] || cp "/usr/share/fonts/truetype/dejavu/$f" "$fonts/"
done
reg=$(mktemp --suffix=.reg)
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for face in Verdana Tahoma "Segoe UI" "MS Shell Dlg" "MS Shell Dlg 2" Arial "MS Sans Serif"; do
    printf '"%s"="DejaVu Sans"\r\n' "$face"
  done
} > "$reg"
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1; wineserver -w
rm -f "$reg"

# Qt's DLLs and the mingw runtime, for the test programs that run from the
# build folder (the boards run from the zip's own layout).
winpath="$(winepath -w "$QT_WIN/bin")"
for d in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  [ -d "$d" ] && winpath="$winpath;$(winepath -w "$d")"
done
export WINEPATH=$winpath

status=0
# WINTEST_STAGES="deploy boards" runs only those stages.
for stage in "$here"/tests/wine/*.sh; do
  name=$(basename "$stage" .sh)
  [ -z "${WINTEST_STAGES:-}" ] || [[ " $WINTEST_STAGES " == *" $name "* ]] || continue
  echo "== $name"
  bash "$stage" || status=1
done
exit $status
