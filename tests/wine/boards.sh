#!/usr/bin/env bash
# The Windows board under Wine, run from the zip's own layout: alone, writing
# the same bytes as the Linux board, and beside a Linux board on one folder.
# Then the update lock hammered by Linux and Windows processes at once, and
# both boards' start times. Every check prints a PASS or FAIL line.
BIN=$LINUX_BUILD/bin
ARTIFACTS=${ARTIFACTS:-$WIN_BUILD/wine-artifacts}
source "$SRC/tests/e2e/e2elib.sh"
# Checks report themselves and the stage fails at the end, so one fault does
# not hide the next.
set +e
failures=0
pass() { echo "PASS: $*"; }
flunk() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else flunk "$what"; fi; }

ZIP=$(ls "$WIN_BUILD"/SchedBoard-*-win64.zip 2>/dev/null | head -n1)
[ -f "$ZIP" ] || fail "no zip in $WIN_BUILD"
export QT_QPA_PLATFORM=xcb

# A data folder that is the zip unpacked, as an office does on its share.
win_folder() {
    local dir="$E2E_TMP/$1"
    mkdir -p "$dir"
    python3 -m zipfile -e "$ZIP" "$dir" || fail "cannot unpack $ZIP"
    echo "$dir"
}

# Starts the Windows board of a folder; prints the pid of its wine process,
# which is the board itself (killing it kills just that board). Qt for
# Windows reads QT_QPA_PLATFORM too, and has no xcb.
start_win_board() {
    env -u QT_QPA_PLATFORM wine "$1/SchedBoard.exe" >>"$E2E_TMP/wine.log" 2>&1 &
    local pid=$!
    track $pid
    echo $pid
}

# The main window of a process under Wine or on Linux: the widest visible one.
main_window() {
    local pid=$1 seconds=${2:-30} w end=$((SECONDS + ${2:-30}))
    while [ $SECONDS -lt $end ]; do
        w=$(xdotool search --all --onlyvisible --pid "$pid" --name . 2>/dev/null | while read -r id; do
                g=$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')
                [ "${g%x*}" -ge 700 ] 2>/dev/null && echo "$id"
            done | head -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}

start_board_kind() {   # KIND DIR LEFT TOP: prints "pid window"
    local kind=$1 dir=$2 left=$3 top=$4 pid w
    place_next_board "$dir" "$left" "$top"
    if [ "$kind" = win ]; then pid=$(start_win_board "$dir"); else pid=$(start_board "$dir"); fi
    w=$(main_window "$pid" 60) || fail "no $kind board window for pid $pid"
    # Wine puts the client area below where a caption would be, though it
    # draws none without a window manager.
    at() { local x y; read -r x y < <(window_origin "$w"); [ "$x" = "$left" ] && [ "$y" -ge "$top" ] && [ "$y" -le $((top + 40)) ]; }
    wait_for 10 at || fail "$kind board opened at $(window_origin "$w")"
    sleep 0.5
    echo "$pid $w"
}

stop_board() {
    kill "$1" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$1" 2>/dev/null
}

# Text read back from a window: ImageMagick crops and enlarges, tesseract
# reads. ocr WINDOW [WxH+X+Y]
ocr() {
    import -window "$1" "$E2E_TMP/ocr.png" 2>/dev/null || return 1
    /usr/bin/convert "$E2E_TMP/ocr.png" ${2:+-crop "$2" +repage} -resize 300% -colorspace Gray "$E2E_TMP/ocr-big.png"
    tesseract "$E2E_TMP/ocr-big.png" - 2>/dev/null | tr -s ' \n' ' '
}

EDITING_XY="263 20"
CONSIGNEE_X=320
# A Consignee menu whose first value holds the euro sign (0x80).
euro_menu() {
    local f="$1/colfiles/Consignee.scd"
    { printf 'Paid 5\x80\r\n'; cat "$f"; } > "$f.new" && mv "$f.new" "$f"
}
# An update with one typed cell and a coloured row: Update, "Editing" on,
# the Trailer cell of ROW typed into, "Editing" off, the Consignee cell
# picked from its menu, the row coloured green
# from the Ctrl + right-click menu, and Update released unless KEEP is set.
edit_and_release() {
    local w=$1 row=$2 text=$3 keep=${4:-} ux uy ex ey y ox oy
    read -r ux uy < <(update_button_xy)
    read -r ex ey <<<"$EDITING_XY"
    y=$(cell_y "$row")
    click "$w" "$ux" "$uy"
    click "$w" "$ex" "$ey"
    click "$w" "$TRAILER_X" "$y"
    xdotool windowfocus "$w"
    xdotool type --delay 80 "$text"
    keys Return
    click "$w" "$ex" "$ey"
    # The Consignee menu's first value, five down from the menu's head.
    click "$w" "$CONSIGNEE_X" "$y"
    click "$w" "$CONSIGNEE_X" "$y" 3
    keys Down Down Down Down Down Return
    keys Escape
    click "$w" "$TRAILER_X" "$y"
    read -r ox oy < <(window_origin "$w")
    xdotool mousemove $((ox + TRAILER_X)) $((oy + y)) sleep 0.1 keydown ctrl click 3 keyup ctrl
    sleep 0.5
    xdotool windowfocus "$w"
    keys Down Right Down Down Down Down Down Return
    [ -n "$keep" ] || { click "$w" "$ux" "$uy"; sleep 1; }
}

echo "Windows board under Wine: $ZIP"
# A key for é on this display before any board starts: a key code that
# xdotool lends a board for a moment is not seen by one under Wine. Wine
# reads a second such key as the first, so € comes from a menu file instead.
command -v xmodmap >/dev/null || fail "xmodmap missing (x11-xserver-utils)"
xmodmap -e 'keycode 248 = eacute' || fail "cannot map é to a key"

# 1. The board alone, from the unpacked zip.
wdir=$(win_folder alone)
read -r wpid ww < <(start_board_kind win "$wdir" 70 70)
[ -n "$ww" ] || fail "the Windows board did not start"
# Painted: the sample's titles and cells read back from the window.
painted() {
    text=$(ocr "$1" 480x140+0+40)
    grep -q Trailer <<<"$text" && grep -q Consignor <<<"$text" && grep -q 'Steel coil' <<<"$text"
}
check "the Windows board's main window appears and paints its grid" wait_for 30 painted "$ww"
echo "      read from its grid: ${text:0:100}"
shot "$ww" "$ARTIFACTS/win_board.png"

# 2. The same edits on the Windows board and on the Linux board write the
# same bytes, with two characters outside ASCII: é typed, € picked.
typed='Café 5'
euro_menu "$wdir"
edit_and_release "$ww" 4 "$typed"
shot "$ww" "$ARTIFACTS/win_board_edited.png"
stop_board "$wpid"
ldir=$(make_board_folder linux-alone)
euro_menu "$ldir"
read -r lpid lw < <(start_board_kind linux "$ldir" 0 0)
[ -n "$lw" ] || fail "the Linux board did not start"
wait_for 30 painted "$lw" || flunk "the Linux board did not paint its grid"
edit_and_release "$lw" 4 "$typed"
stop_board "$lpid"
holds_edits() {
    local g="$1/gsystem/sgrid.scd" rows
    rows=$(line_of "$g" 2)
    [ "$(sed -n "$((3 + rows + 4))p" "$g")" = $'Caf\xe9 5\r' ] && [ "$(sed -n "$((3 + 4 * rows + 4))p" "$g")" = $'Paid 5\x80\r' ]
}
check "the Windows board wrote 'Café 5' and 'Paid 5€' in Windows-1252" holds_edits "$wdir"
check "the Linux board wrote 'Café 5' and 'Paid 5€' in Windows-1252" holds_edits "$ldir"
crlf_only() { python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); sys.exit(not d or d.count(b"\n") != d.count(b"\r\n"))' "$1"; }
for f in sgrid.scd gclrsgrid.scd FixedColumn.scd; do
    check "$f has CR LF line ends only" crlf_only "$wdir/gsystem/$f"
    check "$f is byte for byte the Linux board's" cmp -s "$wdir/gsystem/$f" "$ldir/gsystem/$f"
done
check "row 4 is green (colour 5) in gclrsgrid.scd" [ "$(line_of "$wdir/gsystem/gclrsgrid.scd" 4)" = 5 ]

[ $failures = 0 ]
